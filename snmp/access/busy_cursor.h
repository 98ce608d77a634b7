// The wait cursor shown while an access-point exchange blocks the caller.
#pragma once

namespace manager {

class BusyCursor {
 public:
  virtual ~BusyCursor() = default;
  virtual void show() = 0;
  virtual void hide() = 0;
};

}  // namespace manager
