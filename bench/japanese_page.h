// The page of scenario text the text benchmarks draw: 200 characters of kanji, kana and
// full-width punctuation, as UTF-8.
#pragma once

namespace velmira {

inline constexpr char kJapanesePageUtf8[] =
    "雨上がりの坂道を、私はゆっくりと登っていった。濡れた石畳が夕日を映して、"
    "まるで金色の川のように光っている。遠くで鐘の音が三つ鳴り、港の方から汽笛が"
    "応えた。「もう少しだけ、待っていてくれる？」と彼女は言った。その声は風に"
    "消えそうなほど小さかったけれど、確かに届いた。私は頷き、鞄の中の古い手紙を"
    "握りしめた。今日こそ、十年前の約束を果たす時だ。坂の上の灯台が、静かに"
    "明かりを灯し始め、海が青く深く沈んだ。";

} // namespace velmira
