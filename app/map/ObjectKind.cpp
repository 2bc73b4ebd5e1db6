#include "app/map/ObjectKind.h"

#include <string>
#include <unordered_map>

#include "document/PlantedObjectsExport.h"
#include "trees/TreeCatalogue.h"

namespace {

ModelFamily FamilyOfModel(std::string_view model) {
    const auto starts = [&](std::string_view stem) { return model.substr(0, stem.size()) == stem; };
    if (starts("Conifer")) {
        return ModelFamily::Conifer;
    }
    if (starts("Evergreen")) {
        return ModelFamily::Evergreen;
    }
    if (starts("Bush") || starts("Shrub") || starts("Cactus")) {
        return ModelFamily::Shrub;
    }
    if (model == "Tree palmate" || model == "Tree pinnate" || starts("Palm")) {
        return ModelFamily::Palm;
    }
    if (starts("Deciduous") || starts("Tree")) {
        return ModelFamily::Deciduous;
    }
    return ModelFamily::Unknown;
}

// Every catalogue GUID's kind, built once.
const std::unordered_map<std::string_view, ObjectKind>& Kinds() {
    static const std::unordered_map<std::string_view, ObjectKind> kinds = [] {
        std::unordered_map<std::string_view, ObjectKind> built;
        const TreeCatalogue catalogue;
        for (int i = 0; i < catalogue.Count(); ++i) {
            // The catalogue's texts live as long as the program.
            const std::string& guid = catalogue.GuidAt(i);
            built[guid] = ObjectKind{FamilyOfModel(ModelAndHeightOf(guid).model),
                                     i >= TreeCatalogue::defaultLibraryCount};
        }
        return built;
    }();
    return kinds;
}

}  // namespace

ObjectKind KindOfGuid(std::string_view guid) {
    const auto& kinds = Kinds();
    const auto found = kinds.find(guid);
    return found == kinds.end() ? ObjectKind{} : found->second;
}
