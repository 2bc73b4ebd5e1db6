#include "forest/TreeMix.h"

#include <algorithm>
#include <cmath>

#include "trees/TreeCatalogue.h"

namespace {

constexpr double maxWeight = 1e9;  // shares add up without overflow

bool IsGuid(const std::string& text) {
    return text.size() == 32 && text.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
}

ForestCheck Refusal(ForestProblem problem, std::size_t model, double value = 0.0) {
    ForestCheck check;
    check.problem = problem;
    check.first = model;
    check.value = value;
    return check;
}

}  // namespace

ForestCheck TreeMix::Build(const std::vector<MixModel>& models) {
    if (models.empty()) {
        return Refusal(ForestProblem::MixEmpty, 0);
    }
    const TreeCatalogue catalogue;
    std::vector<std::string> newGuids;
    std::vector<double> weights;
    for (std::size_t m = 0; m < models.size(); ++m) {
        const MixModel& model = models[m];
        if (!(model.weight > 0.0 && model.weight <= maxWeight)) {
            return Refusal(ForestProblem::MixWeightInvalid, m, model.weight);
        }
        if (model.baseIndex < 0) {
            if (!IsGuid(model.guid)) {
                return Refusal(ForestProblem::MixGuidInvalid, m);
            }
            newGuids.push_back(model.guid);
            weights.push_back(model.weight);
            continue;
        }
        const std::vector<int> heights =
            model.heightIndices.empty() ? std::vector<int>{0} : model.heightIndices;
        for (const int height : heights) {
            std::string guid = catalogue.GuidForEntry(model.baseIndex, height);
            if (guid.empty()) {
                return Refusal(ForestProblem::MixEntryUnknown, m,
                               static_cast<double>(model.baseIndex) + static_cast<double>(height));
            }
            newGuids.push_back(std::move(guid));
            weights.push_back(model.weight / static_cast<double>(heights.size()));
        }
    }
    guids = std::move(newGuids);
    cumulativeWeights.clear();
    double sum = 0.0;
    for (const double weight : weights) {
        cumulativeWeights.push_back(sum += weight);
    }
    return {};
}

std::uint32_t TreeMix::Pick(double u) const {
    const double target = u * cumulativeWeights.back();
    const auto it = std::upper_bound(cumulativeWeights.begin(), cumulativeWeights.end(), target);
    const auto index = static_cast<std::size_t>(it - cumulativeWeights.begin());
    return static_cast<std::uint32_t>(std::min(index, guids.size() - 1));
}
