// The script engine's debug-trace texts (Shift-JIS; the UTF-8 text in each comment).
#pragma once

namespace velmira {

// エラー（%s:%d） — a failing script line: script name, 1-based line number.
inline constexpr char kTraceLineFailed[] = "\x83\x47\x83\x89\x81\x5b\x81\x69%s:%d\x81\x6a";
// 変数『%s』は定義されていません — reading a variable no slot is named.
inline constexpr char kTraceVariableNotDefined[] =
    "\x95\xcf\x90\x94\x81\x77%s\x81\x78\x82\xcd\x92\xe8\x8b\x60\x82\xb3\x82\xea\x82\xc4"
    "\x82\xa2\x82\xdc\x82\xb9\x82\xf1";
// 変数『%s』は未定義 — assigning a variable no local or global slot is named.
inline constexpr char kTraceVariableUndefined[] =
    "\x95\xcf\x90\x94\x81\x77%s\x81\x78\x82\xcd\x96\xa2\x92\xe8\x8b\x60";
// 計算式『%s』の判定に失敗 — an expression that could not be evaluated.
inline constexpr char kTraceExpressionFailed[] =
    "\x8c\x76\x8e\x5a\x8e\xae\x81\x77%s\x81\x78\x82\xcc\x94\xbb\x92\xe8\x82\xc9\x8e\xb8"
    "\x94\x73";
// CALLの入れ子が深すぎます（%d段） — a CALL beyond the deepest chain the engine runs.
inline constexpr char kTraceCallTooDeep[] =
    "CALL\x82\xcc\x93\xfc\x82\xea\x8e\x71\x82\xaa\x90\x5b\x82\xb7\x82\xac\x82\xdc\x82\xb7"
    "\x81\x69%d\x92\x69\x81\x6a";

} // namespace velmira
