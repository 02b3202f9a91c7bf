#pragma once

#include "engine/EffectParameter.h"

#include <cstdint>
#include <string>
#include <vector>

struct LilvPluginImpl;

// A control input of an LV2 plug-in, shown as one of the effect's parameters.
struct LV2ControlPort {
    uint32_t index = 0;
    std::string symbol;
    EffectParameterInfo info;
};

// What the host found out about an installed LV2 plug-in that it can run:
// one or two audio inputs and outputs, control inputs, and other ports that
// are either control outputs or may stay unconnected.
struct LV2PluginInfo {
    std::string uri;
    std::string name;
    const LilvPluginImpl* plugin = nullptr; // owned by the catalog's world
    uint32_t numPorts = 0;
    std::vector<uint32_t> audioInputs;
    std::vector<uint32_t> audioOutputs;
    std::vector<LV2ControlPort> controls; // the effect's parameters, in this order
    std::vector<uint32_t> controlOutputs; // written by the plug-in, read by nobody
    // How long it may ring on after its input falls silent: LV2 does not
    // say, so reverbs and delays get a generous fixed time and others none.
    double tailMs = 0.0;
};
