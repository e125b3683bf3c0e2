// A scripted PowerPoint: add-ins by 16-bit index, command bars looked up by
// name, controls looked up by caption without regard to "&".
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_platform.h"

namespace fake {

class FakePowerPoint {
 public:
  explicit FakePowerPoint(FakePlatform& p);

  std::shared_ptr<FakeObject> app;

  struct Control;
  using Controls = std::vector<std::shared_ptr<Control>>;
  struct Control {
    std::shared_ptr<FakeObject> object;
    std::shared_ptr<FakeObject> controlsObject;  // popups only
    Controls children;
    Controls* parent = nullptr;
  };
  struct Bar {
    std::u16string name;
    bool menuBar = false;
    std::shared_ptr<FakeObject> object;
    std::shared_ptr<FakeObject> controlsObject;
    Controls controls;
  };

  std::shared_ptr<Bar> AddBar(const std::u16string& name, bool menuBar);
  std::shared_ptr<Control> AddControl(Controls& into, int type);
  std::shared_ptr<FakeObject> AddAddIn(const std::string& fullName);

  // Every bar and its entries, one line each, for comparing with a table:
  // "Tambrel Tools visible" then "  [group] caption | macro | face | shortcut".
  std::vector<std::string> Layout() const;
  std::vector<std::shared_ptr<FakeObject>> addIns;
  std::vector<std::shared_ptr<Bar>> bars;
  int rejectedFaceId = -1;  // an icon number PowerPoint refuses

 private:
  FakePlatform& p_;
  std::shared_ptr<FakeObject> barsObject_;
  std::shared_ptr<FakeObject> addInsObject_;
  int controlCount_ = 0;
};

}  // namespace fake
