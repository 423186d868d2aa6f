#include "script/flag_store.h"

#include <algorithm>
#include <cstdio>

#include "resource/byte_order.h"
#include "resource/config.h"
#include "resource/save_folder.h"
#include "resource/trace.h"
#include "script/script_messages.h"

namespace velmira {
namespace {

constexpr char kSlotPrefix[3] = {'L', 'G', 'F'};

const char* valueFile(FlagKind kind) {
    return kind == FlagKind::Global ? kGlobalFlagFile : kRecordFlagFile;
}

} // namespace

FlagStore::FlagStore(const Trace& trace, const SaveFolder& saveFolder)
    : trace_(trace), saveFolder_(saveFolder) {}

void FlagStore::load(const ConfigStore& config) {
    SectionView view;
    config.select(view, "Define", "Flag");
    char key[8];
    for (int kind = 0; kind < 3; ++kind) {
        for (int n = 0; n < kFlagSlots; ++n) {
            std::snprintf(key, sizeof key, "%c%03d", kSlotPrefix[kind], n);
            names_[kind][n] = view.getString(key, "");
        }
    }
    for (auto& kindValues : values_)
        kindValues.fill(0);
    dirty_[0] = dirty_[1] = false;
    readValueFile(FlagKind::Global);
    readValueFile(FlagKind::Record);
    rebuildNameMaps();
}

void FlagStore::define(FlagKind kind, int slot, std::string_view name) {
    if (slot < 0 || slot >= kFlagSlots) return;
    names_[static_cast<size_t>(kind)][slot] = std::string(name);
    rebuildNameMaps();
}

void FlagStore::rebuildNameMaps() {
    readable_.clear();
    assignable_.clear();
    // Slot order first, then local, global, record: emplace keeps the first found.
    for (int n = 0; n < kFlagSlots; ++n) {
        for (int kind = 0; kind < 3; ++kind) {
            const std::string& name = names_[kind][n];
            if (name.empty()) continue;
            const Slot slot{static_cast<FlagKind>(kind), static_cast<int16_t>(n)};
            readable_.emplace(name, slot);
            if (kind != static_cast<int>(FlagKind::Record)) assignable_.emplace(name, slot);
        }
    }
}

int32_t FlagStore::lookup(std::string_view name) {
    if (!name.empty() && isDigit(name[0])) return leadingNumber(name);
    const auto it = readable_.find(name);
    if (it == readable_.end()) {
        if (trace_.enabled()) trace_.format(kTraceVariableNotDefined, std::string(name).c_str());
        return 0;
    }
    return slotValue(it->second);
}

bool FlagStore::assign(std::string_view name, int32_t value) {
    const auto it = assignable_.find(name);
    if (it == assignable_.end()) {
        if (trace_.enabled()) trace_.format(kTraceVariableUndefined, std::string(name).c_str());
        return false;
    }
    slotValue(it->second) = value;
    if (it->second.kind == FlagKind::Global) markDirty(FlagKind::Global);
    return true;
}

void FlagStore::markRecord(std::string_view name) {
    if (name.empty()) return;
    auto& names = names_[static_cast<size_t>(FlagKind::Record)];
    for (int n = 0; n < kFlagSlots; ++n) {
        if (names[n] == name) {
            values_[static_cast<size_t>(FlagKind::Record)][n] = 1;
            markDirty(FlagKind::Record);
            return;
        }
    }
}

int32_t FlagStore::evaluate(std::string_view text) {
    const Evaluation result = evaluateExpression(text, *this);
    if (!result.ok && trace_.enabled()) {
        trace_.format(kTraceExpressionFailed, std::string(text).c_str());
    }
    return result.value;
}

bool FlagStore::isDefined(std::string_view name) const {
    return readable_.find(name) != readable_.end();
}

bool FlagStore::isAssignable(std::string_view name) const {
    return assignable_.find(name) != assignable_.end();
}

void FlagStore::resetLocals() {
    values_[static_cast<size_t>(FlagKind::Local)].fill(0);
}

int32_t FlagStore::value(FlagKind kind, int slot) const {
    if (slot < 0 || slot >= kFlagSlots) return 0;
    return values_[static_cast<size_t>(kind)][slot];
}

const std::string& FlagStore::name(FlagKind kind, int slot) const {
    static const std::string empty;
    if (slot < 0 || slot >= kFlagSlots) return empty;
    return names_[static_cast<size_t>(kind)][slot];
}

namespace {

void storeValues(const std::array<int32_t, kFlagSlots>& values, uint8_t* out) {
    for (int n = 0; n < kFlagSlots; ++n)
        writeLe32(out + n * 4, static_cast<uint32_t>(values[n]));
}

// Slots the bytes do not cover keep their values.
void takeValues(const uint8_t* bytes, size_t size, std::array<int32_t, kFlagSlots>& values) {
    const size_t slots = std::min<size_t>(size / 4, kFlagSlots);
    for (size_t n = 0; n < slots; ++n)
        values[n] = static_cast<int32_t>(readLe32(bytes + n * 4));
}

} // namespace

std::array<uint8_t, kFlagFileSize> FlagStore::localBytes() const {
    std::array<uint8_t, kFlagFileSize> bytes{};
    storeValues(values_[static_cast<size_t>(FlagKind::Local)], bytes.data());
    return bytes;
}

void FlagStore::setLocalBytes(const uint8_t* bytes, size_t size) {
    if (bytes == nullptr) return;
    takeValues(bytes, size, values_[static_cast<size_t>(FlagKind::Local)]);
}

bool FlagStore::flush() {
    bool ok = true;
    for (FlagKind kind : {FlagKind::Global, FlagKind::Record}) {
        bool& dirty = dirty_[kind == FlagKind::Global ? 0 : 1];
        if (!dirty) continue;
        // A file that cannot be written leaves the values in memory only; the next change
        // tries again (not every turn, which would retry a read-only folder each millisecond).
        dirty = false;
        if (!writeValueFile(kind)) ok = false;
    }
    return ok;
}

bool FlagStore::writeValueFile(FlagKind kind) const {
    std::vector<uint8_t> bytes(kFlagFileSize);
    storeValues(values_[static_cast<size_t>(kind)], bytes.data());
    return saveFolder_.write(valueFile(kind), bytes);
}

void FlagStore::readValueFile(FlagKind kind) {
    std::vector<uint8_t> bytes;
    if (!saveFolder_.read(valueFile(kind), bytes, kFlagFileSize)) return;
    takeValues(bytes.data(), bytes.size(), values_[static_cast<size_t>(kind)]);
}

} // namespace velmira
