#pragma once

#include "engine/CAudioEffect.h"

#include <cstdint>
#include <string>
#include <vector>

// Stands in a chain for an effect this machine cannot make (a plug-in that is
// not installed, an effect of a newer version). It plays the sound through
// unchanged and keeps the effect's identifier and state bytes as they were
// read, so that saving the chain writes them back byte for byte and the
// effect returns once it is available again.
class CMissingEffect : public CAudioEffect {
public:
    CMissingEffect(const EffectID& id, const uint8_t* state, size_t stateSize);

    // What the log and the effect list call the effect: the plug-in's URI when
    // the state names one, else the identifier's printable characters.
    static std::string DescribeMissing(const EffectID& id, const uint8_t* state, size_t stateSize);

    std::vector<uint8_t> GetState() const override { return m_state; }
    // Any bytes: they belong to an effect this class cannot read.
    bool SetState(const uint8_t* data, size_t size) override;
    void Reset() override {}

private:
    void OnPrepare(double, int) override {}
    void OnProcess(float*, int) override {}

    std::vector<uint8_t> m_state;
};
