#pragma once

namespace dbtl {

// Root of the base library's classes. Its only virtual operation is the destructor, so an
// object (or an array of objects) owned through a pointer to a base class is destroyed as its
// own dynamic type.
class DObject {
 public:
  DObject() = default;
  DObject(const DObject&) = default;
  DObject& operator=(const DObject&) = default;
  virtual ~DObject();
};

}  // namespace dbtl
