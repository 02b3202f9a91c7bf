#include "project/ProjectFileContents.h"

#include "engine/CEffectChain.h"

ProjectFileContents::ProjectFileContents() : masterChain(std::make_unique<CEffectChain>()) {}
ProjectFileContents::~ProjectFileContents() = default;
ProjectFileContents::ProjectFileContents(ProjectFileContents&&) noexcept = default;
ProjectFileContents& ProjectFileContents::operator=(ProjectFileContents&&) noexcept = default;
