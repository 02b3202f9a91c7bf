// Feeds bytes to the settings store's parser, reads values back through a key, and checks that
// what was kept writes out as text that reads back to the same store.
#include "support/CRegKey.h"
#include "support/CRegStore.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

void ReadBack(const std::shared_ptr<CRegStore>& store) {
    CRegKey root(store);
    const std::unique_ptr<CRegKey> key = root.GetSubKey("SOFTWARE\\Veranth\\Loomtone4");
    if (key == nullptr)
        return;
    for (const char* name : {"mixDeviceType", "TempDirM", "defaultTempo", "lastMainWinRect"}) {
        int32_t number = 0;
        std::wstring wide;
        std::vector<uint8_t> data;
        key->GetKeyNum(name, &number);
        key->GetKeyStringW(name, &wide);
        key->GetKeyData(name, &data);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto store = std::make_shared<CRegStore>("");
    store->ParseText(text);
    ReadBack(store);

    const std::string written = store->Serialize();
    CRegStore again("");
    if (again.ParseText(written) != 0 || again.Serialize() != written)
        std::abort();
    return 0;
}
