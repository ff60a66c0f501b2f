#include "read_values.h"

#include "visits/found_values.h"

namespace kdcli {

namespace {

Field AsField(const kd::visits::FoundValue& v) { return {v.caption, v.key, v.value}; }

}  // namespace

Field TimeField(const kd::Program& p) { return AsField(kd::visits::TimeValue(p)); }

std::vector<Field> ReadValues(const kd::Program& p) {
    std::vector<Field> fields;
    for (const kd::visits::FoundValue& v : kd::visits::FoundValues(p)) fields.push_back(AsField(v));
    return fields;
}

}  // namespace kdcli
