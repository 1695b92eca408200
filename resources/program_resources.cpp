#include "resources/program_resources.h"

#include <strings.h>

// Filled in by the generated resource data.
extern const ProgramResource kProgramResources[];
extern const std::size_t kProgramResourceCount;

const ProgramResource* FindProgramResource(const char* type, const char* name) {
    if (type == nullptr || name == nullptr) {
        return nullptr;
    }
    for (std::size_t i = 0; i < kProgramResourceCount; ++i) {
        const ProgramResource& resource = kProgramResources[i];
        if (strcasecmp(resource.type, type) == 0 && strcasecmp(resource.name, name) == 0) {
            return &resource;
        }
    }
    return nullptr;
}
