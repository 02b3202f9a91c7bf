#pragma once

#include "details/CUserPresetStore.h"

#include <cstdint>
#include <string>

class CAudioEffect;

// The user's presets as the effect view shows them: the store, read again
// whenever its file changed (a dialog saved or deleted a preset), so that an
// effect set to a user preset's values is shown by that preset's name.
class CUserPresetWatch {
public:
    explicit CUserPresetWatch(std::string path = CUserPresetStore::DefaultPath());

    // Reads the store again when its file's size or time changed. True when
    // it was read.
    bool Refresh();
    // The name of the user preset the effect's settings are, or empty: only
    // for an effect whose settings are no built-in preset ("custom").
    std::string NameOf(const CAudioEffect& effect) const;

private:
    struct Stamp {
        bool exists = false;
        uintmax_t size = 0;
        int64_t modified = 0;
        bool operator==(const Stamp&) const = default;
    };
    Stamp StampOfFile() const;

    CUserPresetStore m_store;
    Stamp m_stamp;
    bool m_loaded = false;
};
