#include "engine/SoundTags.h"

bool SoundTags::Empty() const {
    return title.empty() && artist.empty() && album.empty() && genre.empty() && year.empty() &&
           comment.empty() && copyright.empty() && trackNumber <= 0;
}

std::string SoundTags::TrackNumberText() const {
    return trackNumber > 0 ? std::to_string(trackNumber) : std::string();
}
