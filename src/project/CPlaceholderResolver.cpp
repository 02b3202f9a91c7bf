#include "project/CPlaceholderResolver.h"

#include "project/CClipChunks.h"
#include "project/CPlaceholderClip.h"
#include "project/CTrack.h"
#include "support/Log.h"

namespace {

std::vector<CPlaceholderClip*> MissingSoundsOn(const CTrack& track) {
    std::vector<CPlaceholderClip*> found;
    for (CClip* clip : track.Clips()) {
        auto* placeholder = dynamic_cast<CPlaceholderClip*>(clip);
        if (placeholder && placeholder->GetReason() == CPlaceholderClip::Reason::kSoundUnavailable)
            found.push_back(placeholder);
    }
    return found;
}

} // namespace

int CPlaceholderResolver::Resolve(ClipDocument& document, const std::vector<CTrack*>& tracks) {
    int resolved = 0;
    for (CTrack* track : tracks) {
        for (CPlaceholderClip* placeholder : MissingSoundsOn(*track)) {
            CClip* clip = CClipChunks::Read(document, placeholder->CurrentChunks());
            if (!clip)
                continue;
            if (dynamic_cast<CPlaceholderClip*>(clip) == nullptr) {
                placeholder->AddRef();
                track->RemoveClip(placeholder, true);
                if (track->AddClip(clip, clip->GetStartMs(), true)) {
                    LogFmt("Clip '%s' found its sound again", clip->GetName().c_str());
                    ++resolved;
                } else {
                    track->AddClip(placeholder, placeholder->GetStartMs(), true);
                }
                placeholder->DeleteRefObject();
            }
            clip->DeleteRefObject();
        }
    }
    return resolved;
}
