#include "app/BypassReport.h"

#include "engine/CBypassNotices.h"

#include <cstdio>
#include <string>

void PrintBypassedEffects() {
    for (const std::string& name : CBypassNotices::Instance().Take())
        std::fprintf(stderr,
                     "loomtone: the effect \"%s\" stopped giving usable sound and is bypassed\n",
                     name.c_str());
}
