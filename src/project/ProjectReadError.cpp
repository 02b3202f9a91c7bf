#include "project/ProjectReadError.h"

const char* ProjectReadErrorText(ProjectReadError error) {
    switch (error) {
    case ProjectReadError::None:
        return "no error";
    case ProjectReadError::NotAProjectFile:
        return "not a project file";
    case ProjectReadError::ChunkMissing:
        return "chunk missing";
    case ProjectReadError::ChunkTooShort:
        return "chunk too short";
    case ProjectReadError::ShortRead:
        return "chunk could not be read whole";
    case ProjectReadError::BadVersion:
        return "unsupported version";
    case ProjectReadError::CountDoesNotFit:
        return "count larger than its chunk";
    case ProjectReadError::BadValue:
        return "value out of range";
    case ProjectReadError::EffectChainRefused:
        return "effect chain missing or refused";
    case ProjectReadError::Cancelled:
        return "cancelled";
    }
    return "unknown error";
}
