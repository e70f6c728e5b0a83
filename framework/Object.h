// The root of the program's class tree. Objects deleted through a base pointer
// (the profile, the settings key) rely on its virtual destructor.
#pragma once

class CObject {
 public:
  virtual ~CObject() = default;

 protected:
  CObject() = default;
};
