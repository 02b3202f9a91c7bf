#include "engine/CLV2Catalog.h"

#include "engine/CLV2Effect.h"
#include "engine/CLV2State.h"
#include "engine/EffectsFactory.h"
#include "engine/WaveFormat.h"
#include "support/Log.h"

#include <lilv/lilv.h>
#include <lv2/units/units.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace {

// The required features a plug-in may ask for: the URID map and unmap that
// the host hands over, and promises about the plug-in itself that ask
// nothing of the host (the effect never runs in place anyway).
constexpr const char* kServedFeatures[] = {LV2_URID__map, LV2_URID__unmap, LV2_CORE__isLive,
                                           LV2_CORE__inPlaceBroken, LV2_CORE__hardRTCapable};

// The units an effect's parameter may show, by their LV2 unit URI.
constexpr std::pair<const char*, const char*> kUnits[] = {
    {LV2_UNITS__db, "dB"},   {LV2_UNITS__hz, "Hz"},      {LV2_UNITS__khz, "kHz"},
    {LV2_UNITS__ms, "ms"},   {LV2_UNITS__s, "s"},        {LV2_UNITS__pc, "%"},
    {LV2_UNITS__bpm, "BPM"}, {LV2_UNITS__cent, "cents"}, {LV2_UNITS__semitone12TET, "semitones"}};

// The URIs a plug-in's description is read with, made once per scan.
class LV2Vocabulary {
public:
    explicit LV2Vocabulary(LilvWorld* world)
        : audio(lilv_new_uri(world, LV2_CORE__AudioPort)),
          control(lilv_new_uri(world, LV2_CORE__ControlPort)),
          input(lilv_new_uri(world, LV2_CORE__InputPort)),
          output(lilv_new_uri(world, LV2_CORE__OutputPort)),
          optional(lilv_new_uri(world, LV2_CORE__connectionOptional)),
          toggled(lilv_new_uri(world, LV2_CORE__toggled)),
          integer(lilv_new_uri(world, LV2_CORE__integer)),
          enumeration(lilv_new_uri(world, LV2_CORE__enumeration)),
          sampleRate(lilv_new_uri(world, LV2_CORE__sampleRate)),
          unit(lilv_new_uri(world, LV2_UNITS__unit)) {}
    ~LV2Vocabulary() {
        for (LilvNode* node : {audio, control, input, output, optional, toggled, integer,
                               enumeration, sampleRate, unit})
            lilv_node_free(node);
    }
    LV2Vocabulary(const LV2Vocabulary&) = delete;
    LV2Vocabulary& operator=(const LV2Vocabulary&) = delete;

    LilvNode* audio;
    LilvNode* control;
    LilvNode* input;
    LilvNode* output;
    LilvNode* optional;
    LilvNode* toggled;
    LilvNode* integer;
    LilvNode* enumeration;
    LilvNode* sampleRate;
    LilvNode* unit;
};

std::string TakeString(LilvNode* node) {
    std::string text = node ? lilv_node_as_string(node) : "";
    lilv_node_free(node);
    return text;
}

float TakeFloat(LilvNode* node, float fallback) {
    float value = fallback;
    if (node && (lilv_node_is_float(node) || lilv_node_is_int(node)))
        value = lilv_node_as_float(node);
    lilv_node_free(node);
    return std::isfinite(value) ? value : fallback;
}

// The first required feature the host cannot serve, or "".
std::string UnservedFeature(const LilvPlugin* plugin) {
    std::string unserved;
    LilvNodes* features = lilv_plugin_get_required_features(plugin);
    LILV_FOREACH(nodes, i, features) {
        const char* uri = lilv_node_as_uri(lilv_nodes_get(features, i));
        const bool served =
            std::any_of(std::begin(kServedFeatures), std::end(kServedFeatures),
                        [uri](const char* known) { return std::string(known) == uri; });
        if (!served && unserved.empty())
            unserved = uri;
    }
    lilv_nodes_free(features);
    return unserved;
}

std::string UnitOf(const LilvPlugin* plugin, const LilvPort* port, const LV2Vocabulary& words) {
    LilvNode* unit = lilv_port_get(plugin, port, words.unit);
    std::string text;
    if (unit && lilv_node_is_uri(unit)) {
        const std::string uri = lilv_node_as_uri(unit);
        for (const auto& [known, shown] : kUnits) {
            if (uri == known)
                text = shown;
        }
    }
    lilv_node_free(unit);
    return text;
}

// A control input as a parameter: its range and default as the port gives
// them, scaled by the rate for ports that count in fractions of it; a
// toggled port takes 0 and 1 only.
LV2ControlPort ControlOf(const LilvPlugin* plugin, const LilvPort* port, uint32_t index,
                         const LV2Vocabulary& words) {
    LV2ControlPort control;
    control.index = index;
    control.symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
    EffectParameterInfo& info = control.info;
    info.name = TakeString(lilv_port_get_name(plugin, port));
    if (info.name.empty())
        info.name = control.symbol;
    info.unit = UnitOf(plugin, port, words);
    LilvNode* def = nullptr;
    LilvNode* min = nullptr;
    LilvNode* max = nullptr;
    lilv_port_get_range(plugin, port, &def, &min, &max);
    info.minValue = TakeFloat(min, 0.0f);
    info.maxValue = TakeFloat(max, 1.0f);
    float defaultValue = TakeFloat(def, info.minValue);
    if (lilv_port_has_property(plugin, port, words.sampleRate)) {
        const float rate = static_cast<float>(kMixerSampleRate);
        info.minValue *= rate;
        info.maxValue *= rate;
        defaultValue *= rate;
    }
    if (info.minValue > info.maxValue)
        std::swap(info.minValue, info.maxValue);
    if (lilv_port_has_property(plugin, port, words.toggled)) {
        info.minValue = 0.0f;
        info.maxValue = 1.0f;
        defaultValue = defaultValue > 0.0f ? 1.0f : 0.0f;
        info.stepped = true;
    }
    info.stepped = info.stepped || lilv_port_has_property(plugin, port, words.integer) ||
                   lilv_port_has_property(plugin, port, words.enumeration);
    info.defaultValue = std::clamp(defaultValue, info.minValue, info.maxValue);
    return control;
}

// A mix-down ends after the tails of the effects on it: long enough for a
// plug-in reverb or delay to die away.
double TailMsOfClass(const LilvPlugin* plugin) {
    constexpr double kReverbTailMs = 6000.0;
    constexpr double kDelayTailMs = 4000.0;
    const LilvPluginClass* type = lilv_plugin_get_class(plugin);
    const std::string uri = type ? lilv_node_as_uri(lilv_plugin_class_get_uri(type)) : "";
    if (uri == LV2_CORE__ReverbPlugin)
        return kReverbTailMs;
    if (uri == LV2_CORE__DelayPlugin)
        return kDelayTailMs;
    return 0.0;
}

// Sorts the plug-in's ports into the host's kinds; false, with the reason,
// for a plug-in the host cannot run.
bool Inspect(const LilvPlugin* plugin, const LV2Vocabulary& words, LV2PluginInfo& info,
             std::string& whyNot) {
    const std::string feature = UnservedFeature(plugin);
    if (!feature.empty()) {
        whyNot = "needs the feature " + feature;
        return false;
    }
    info.numPorts = lilv_plugin_get_num_ports(plugin);
    for (uint32_t index = 0; index < info.numPorts; ++index) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        const bool isInput = lilv_port_is_a(plugin, port, words.input);
        const bool isOutput = lilv_port_is_a(plugin, port, words.output);
        if (lilv_port_is_a(plugin, port, words.audio) && (isInput || isOutput)) {
            (isInput ? info.audioInputs : info.audioOutputs).push_back(index);
        } else if (lilv_port_is_a(plugin, port, words.control) && isInput) {
            info.controls.push_back(ControlOf(plugin, port, index, words));
        } else if (lilv_port_is_a(plugin, port, words.control) && isOutput) {
            info.controlOutputs.push_back(index);
        } else if (!lilv_port_has_property(plugin, port, words.optional)) {
            whyNot = "has a port the host cannot serve: " +
                     std::string(lilv_node_as_string(lilv_port_get_symbol(plugin, port)));
            return false;
        }
    }
    const size_t ins = info.audioInputs.size();
    const size_t outs = info.audioOutputs.size();
    if (ins < 1 || ins > outs || outs > 2) {
        whyNot =
            "has " + std::to_string(ins) + " audio inputs and " + std::to_string(outs) + " outputs";
        return false;
    }
    info.uri = lilv_node_as_uri(lilv_plugin_get_uri(plugin));
    info.name = TakeString(lilv_plugin_get_name(plugin));
    if (info.name.empty())
        info.name = info.uri;
    info.plugin = plugin;
    info.tailMs = TailMsOfClass(plugin);
    return true;
}

} // namespace

CLV2Catalog& CLV2Catalog::Instance() {
    static CLV2Catalog instance;
    return instance;
}

CLV2Catalog::CLV2Catalog() : m_features{m_urids.MapFeature(), m_urids.UnmapFeature(), nullptr} {}

CLV2Catalog::~CLV2Catalog() {
    lilv_world_free(m_world);
}

int CLV2Catalog::ScanAndRegister() {
    std::call_once(m_scanned, [this] { Scan(); });
    return NumPlugins();
}

void CLV2Catalog::Scan() {
    Log("CLV2Catalog::Scan() - Enter");
    m_world = lilv_world_new();
    if (!m_world) {
        Log("CLV2Catalog::Scan failed on lilv_world_new() - no plug-ins");
        return;
    }
    lilv_world_load_all(m_world);
    const LV2Vocabulary words(m_world);
    const LilvPlugins* plugins = lilv_world_get_all_plugins(m_world);
    int seen = 0;
    LILV_FOREACH(plugins, i, plugins) {
        const LilvPlugin* plugin = lilv_plugins_get(plugins, i);
        ++seen;
        LV2PluginInfo info;
        std::string whyNot;
        if (!Inspect(plugin, words, info, whyNot)) {
            LogFmt("CLV2Catalog::Scan - %s left out: %s",
                   lilv_node_as_uri(lilv_plugin_get_uri(plugin)), whyNot.c_str());
            continue;
        }
        m_plugins.push_back(std::move(info));
        if (!Register(m_plugins.back()))
            m_plugins.pop_back();
    }
    LogFmt("CLV2Catalog::Scan() EXIT - %d of %d plug-ins listed", NumPlugins(), seen);
}

bool CLV2Catalog::Register(const LV2PluginInfo& plugin) {
    const LV2_Feature* const* features = m_features;
    return EffectsFactory::GetInstance()->RegisterEffect(
        {CLV2State::MakeID(plugin.uri), plugin.name, EffectGroup::Vst, false},
        [&plugin, features] { return std::make_unique<CLV2Effect>(plugin, features); });
}

const LV2PluginInfo* CLV2Catalog::Find(const std::string& uri) const {
    for (const LV2PluginInfo& plugin : m_plugins) {
        if (plugin.uri == uri)
            return &plugin;
    }
    return nullptr;
}
