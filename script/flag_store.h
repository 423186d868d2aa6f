// Flags: the script's named 32-bit variables, in three kinds of 1000 slots each.
//
//   local   names "L000".."L999" of [Define.Flag]; values live in save files, `reset` clears them
//   global  names "G000".."G999"; values in "flagdata.000"
//   record  names "F000".."F999"; values in "flagdata.001", set to 1 when a picture is
//           shown or a piece of music heard; scripts can read but not assign them
//
// A value file that changed is rewritten by flush(), which the engine calls once per turn
// of its message pumps (before input is handled or time passes), at every wait and at
// shutdown: a script that assigns a global in a tight loop writes the file once per turn,
// not once per assignment, and what the player sees has always been written first.
//
// A name is resolved by slot number first and, within a number, local before global
// before record: a name defined twice resolves to the lowest slot. Unnamed slots never
// match. The value files are 4000 bytes: the slot values, 32-bit little-endian, in order.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/expression.h"

namespace velmira {

class ConfigStore;
class SaveFolder;
class Trace;

enum class FlagKind : uint8_t { Local = 0, Global = 1, Record = 2 };

inline constexpr int kFlagSlots = 1000;
inline constexpr size_t kFlagFileSize = kFlagSlots * 4;
inline constexpr char kGlobalFlagFile[] = "flagdata.000";
inline constexpr char kRecordFlagFile[] = "flagdata.001";

class FlagStore final : public VariableSource {
  public:
    FlagStore(const Trace& trace, const SaveFolder& saveFolder);

    // Start-up: names from the group "Define", section "Flag" of the store; every value
    // 0; then the global and record values from their files where those open.
    void load(const ConfigStore& config);
    // Names one slot directly (an empty name leaves it unnamed).
    void define(FlagKind kind, int slot, std::string_view name);

    // The value of a variable, or of a number when name starts with a digit. An unknown
    // name is 0 and traced.
    int32_t lookup(std::string_view name);
    // Sets a local or global slot (a global one marks "flagdata.000" for the next flush).
    // Record flags cannot be assigned; an unknown name changes nothing and is traced.
    // False then.
    bool assign(std::string_view name, int32_t value);
    // The first record slot of this name becomes 1 and "flagdata.001" is marked for the
    // next flush (also when it was 1 already). No such slot: nothing.
    void markRecord(std::string_view name);
    // Writes the value files marked since the last flush. False when one could not be
    // written; its values then live in memory only until the next change marks it again.
    bool flush();
    // A value file waits for the next flush.
    bool hasUnwrittenValues() const { return dirty_[0] || dirty_[1]; }
    // Evaluates an expression over these flags; a failure is traced, the value is what
    // the evaluator leaves.
    int32_t evaluate(std::string_view text);

    // A name Lookup finds / a name Assign finds (local or global).
    bool isDefined(std::string_view name) const;
    bool isAssignable(std::string_view name) const;
    void resetLocals();

    int32_t value(FlagKind kind, int slot) const;
    const std::string& name(FlagKind kind, int slot) const;

    // The 4000 bytes of local values, as a save file stores them.
    std::array<uint8_t, kFlagFileSize> localBytes() const;
    // Takes local values from bytes (a shorter buffer sets only the slots it covers).
    void setLocalBytes(const uint8_t* bytes, size_t size);

    int32_t lookupVariable(std::string_view name) override { return lookup(name); }

  private:
    struct Slot {
        FlagKind kind;
        int16_t index;
    };
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    using NameMap = std::unordered_map<std::string, Slot, NameHash, std::equal_to<>>;

    int32_t& slotValue(Slot slot) {
        return values_[static_cast<size_t>(slot.kind)][static_cast<size_t>(slot.index)];
    }
    void rebuildNameMaps();
    bool writeValueFile(FlagKind kind) const;
    void readValueFile(FlagKind kind);
    // Marks the value file of a global or record slot for the next flush.
    void markDirty(FlagKind kind) { dirty_[kind == FlagKind::Global ? 0 : 1] = true; }

    const Trace& trace_;
    const SaveFolder& saveFolder_;
    std::array<std::array<std::string, kFlagSlots>, 3> names_;
    std::array<std::array<int32_t, kFlagSlots>, 3> values_{};
    NameMap readable_;               // name -> the slot Lookup finds
    NameMap assignable_;             // name -> the local or global slot Assign finds
    bool dirty_[2] = {false, false}; // "flagdata.000", "flagdata.001" wait for flush()
};

} // namespace velmira
