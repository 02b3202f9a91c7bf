// Feeds arbitrary bytes to the effect chain's body reader. A body that is
// accepted must write back to bytes that load again to the same chain, and
// the loaded chain must process a block; the walk traps when a promise breaks.
#include "engine/CEffectChain.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CEffectChain chain;
    const std::vector<uint8_t> empty = chain.SaveBody();
    if (!chain.LoadBody(data, size)) {
        Check(chain.SaveBody() == empty); // a refused body changes nothing
        return 0;
    }
    Check(chain.NumEffects() <= CEffectChain::kMaxEffects);
    const std::vector<uint8_t> saved = chain.SaveBody();
    CEffectChain again;
    Check(again.LoadBody(saved.data(), saved.size()));
    Check(again.SaveBody() == saved);

    std::vector<float> block(2 * 256, 0.25f);
    Check(chain.Process(block.data(), 256));
    return 0;
}
