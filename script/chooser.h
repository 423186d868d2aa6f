// The choice menu as `SELECT` sees it: the block's lines are handed over one by one,
// then the player picks one. The choice menu implements it; tests script the answer.
#pragma once

#include <string_view>

namespace velmira {

class Chooser {
  public:
    virtual ~Chooser() = default;
    // Starts a new list. An empty layout selects text buttons, a name a map file; the
    // result is ignored by `SELECT`, which adds its lines either way.
    virtual bool begin(std::string_view layout) = 0;
    // Adds the whole text of one choice line as choice number (1 = first listed line).
    // A line left out (hidden, or failing in map mode) still keeps its number.
    virtual bool add(int number, std::string_view line) = 0;
    // Lets the player choose; the chosen number, or 0 when the wait was abandoned
    // (quit, a loaded save, back to the title).
    virtual int run() = 0;
};

// Until the choice menu exists: takes the first choice added, without showing anything.
class FirstChoiceChooser final : public Chooser {
  public:
    bool begin(std::string_view) override {
        first_ = 0;
        return true;
    }
    bool add(int number, std::string_view) override {
        if (first_ == 0) first_ = number;
        return true;
    }
    int run() override { return first_; }

  private:
    int first_ = 0;
};

} // namespace velmira
