#include "support/DistinctFileLabels.h"

#include <filesystem>
#include <map>

namespace {

// The last `parts` parts of the path, joined by '/'.
std::string Tail(const std::filesystem::path& path, size_t parts) {
    std::vector<std::string> names;
    for (const auto& part : path.relative_path())
        names.push_back(part.string());
    const size_t first = names.size() > parts ? names.size() - parts : 0;
    // The root shows only once every folder does and one more part is asked for.
    std::string tail = parts > names.size() && path.has_root_directory() ? "/" : "";
    for (size_t index = first; index < names.size(); ++index)
        tail += (index > first ? "/" : "") + names[index];
    return tail;
}

} // namespace

std::vector<std::string> DistinctFileLabels(const std::vector<std::string>& paths) {
    std::vector<size_t> parts(paths.size(), 1);
    std::vector<std::string> labels(paths.size());
    // Every label that another one shares takes one more folder, until none
    // is shared or the paths themselves are the same.
    for (bool shared = true; shared;) {
        std::map<std::string, std::vector<size_t>> holders;
        for (size_t index = 0; index < paths.size(); ++index) {
            labels[index] = Tail(std::filesystem::path(paths[index]), parts[index]);
            holders[labels[index]].push_back(index);
        }
        shared = false;
        for (const auto& [label, indexes] : holders) {
            if (indexes.size() < 2)
                continue;
            for (size_t index : indexes)
                if (labels[index] != Tail(paths[index], parts[index] + 1)) {
                    ++parts[index];
                    shared = true;
                }
        }
    }
    return labels;
}
