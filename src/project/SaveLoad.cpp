#include "project/SaveLoad.h"

#include "project/ProgressSink.h"
#include "support/CRIFF.h"
#include "support/Log.h"

bool SaveLoad::Save(CRIFF& /*riff*/) {
    return ContinueSave();
}

bool SaveLoad::ContinueSave() const {
    if (!IsCancelled())
        return true;
    Log("Project Save cancelled.");
    return false;
}

bool SaveLoad::Load(CRIFF& riff) {
    SetProgressFromPosition(riff);
    if (!IsCancelled())
        return true;
    Log("Project Load cancelled.");
    return false;
}

bool SaveLoad::LegacyLoad(CRIFF& riff) {
    SetProgressFromPosition(riff);
    if (!IsCancelled())
        return true;
    Log("Project Legacy Load cancelled.");
    return false;
}

bool SaveLoad::IsCancelled() const {
    return m_progress != nullptr && m_progress->IsCancelled();
}

void SaveLoad::SetProgress(int percent) {
    if (m_progress != nullptr)
        m_progress->SetPercent(percent);
}

void SaveLoad::SetProgressFromPosition(const CRIFF& riff) {
    const int64_t size = riff.FileSize();
    if (m_progress == nullptr || size <= 0)
        return;
    const double percent =
        static_cast<double>(riff.FilePosition()) * 100.0 / static_cast<double>(size);
    SetProgress(static_cast<int>(percent));
}
