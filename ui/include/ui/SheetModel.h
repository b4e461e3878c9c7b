// The camera's configuration sheet: five pages on one camera object, in tab order General,
// Controls, LUT, GigE, Attributes, and the toolkit that shows it.
#pragma once

#include <cstddef>
#include <string>

#include "ui/DialogLogic.h"

namespace tarnix::ui {

// What a view needs of a sheet. Abstract, so that a view in a module of its own reaches the
// pages only through calls into the driver.
class SheetModel {
  public:
    virtual ~SheetModel() = default;
    // The camera's display name.
    virtual std::string Caption() const = 0;
    virtual size_t PageCount() const = 0;
    virtual DialogLogic& Page(size_t index) = 0;
};

}  // namespace tarnix::ui
