// A text member cut into lines at carriage returns (a line feed right after one is
// skipped; a lone line feed stays inside its line). Leading spaces and tabs are removed
// from every line; blank lines stay so line numbers match the file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmira {

class ArchiveIndex;

class TextLines {
  public:
    bool load(const ArchiveIndex& index, std::string_view folder, std::string_view name);
    // Splits a copy of text; false for an empty text.
    bool assign(std::string_view text);
    void clear();

    int count() const { return static_cast<int>(lines_.size()); }
    // Copies line index into out; false (out unchanged) when index is out of range.
    bool line(int index, std::string& out) const;
    // The line without copying; empty view when out of range.
    std::string_view view(int index) const;

  private:
    void split();

    // A line or token as a place in the buffer (not a pointer, so copies stay valid).
    struct Span {
        size_t start = 0;
        size_t length = 0;
    };

    std::string buffer_; // the text with a NUL at the end of each line
    std::vector<Span> lines_;
};

// A private copy of one line cut into tokens at spaces and tabs (no quoting). A line
// that ends in spaces or tabs gets one empty token at the end.
class TokenList {
  public:
    void split(std::string_view line);
    int count() const { return static_cast<int>(tokens_.size()); }
    // The token, or an empty string when index is negative or not below count().
    std::string_view token(int index) const;

  private:
    struct Span {
        size_t start = 0;
        size_t length = 0;
    };

    std::string buffer_; // the line with a NUL at the end of each token
    std::vector<Span> tokens_;
};

} // namespace velmira
