#pragma once

#include "engine/CLV2UridMap.h"
#include "engine/LV2PluginInfo.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

struct LilvWorldImpl;

// The LV2 plug-ins installed on the machine that the host can run: effects
// with one or two audio inputs and outputs and control ports, needing no
// feature beyond the URID map. Scanned once (the directories of LV2_PATH, or
// the usual ones when it is unset) and registered with EffectsFactory in the
// plug-in group, each under the identifier CLV2State::MakeID gives its URI.
// The catalog lives as long as the program, and with it every plug-in's data.
class CLV2Catalog {
public:
    static CLV2Catalog& Instance();

    // The first call scans and registers; later ones do nothing (a call
    // made while the first runs waits for it). Returns how many plug-ins
    // are listed. Any thread but the audio thread.
    int ScanAndRegister();
    // Null when no plug-in of that URI is listed.
    const LV2PluginInfo* Find(const std::string& uri) const;
    int NumPlugins() const { return static_cast<int>(m_plugins.size()); }

private:
    CLV2Catalog();
    ~CLV2Catalog();
    CLV2Catalog(const CLV2Catalog&) = delete;
    CLV2Catalog& operator=(const CLV2Catalog&) = delete;

    void Scan();
    // False when the factory refuses it (its identifier is taken).
    bool Register(const LV2PluginInfo& plugin);

    std::once_flag m_scanned;
    LilvWorldImpl* m_world = nullptr;
    CLV2UridMap m_urids;
    const LV2_Feature* m_features[3];
    std::deque<LV2PluginInfo> m_plugins; // never moved: effects keep references
};
