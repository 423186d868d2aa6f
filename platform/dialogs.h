// Modal message boxes owned by the main window.
#pragma once

#include <string_view>

namespace velmira::platform {

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // A Yes/No question; true only for Yes. Texts are UTF-8.
    virtual bool askYesNo(std::string_view caption, std::string_view text) = 0;
};

} // namespace velmira::platform
