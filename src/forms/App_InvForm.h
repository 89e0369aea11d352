// The invisible auxiliary window: a fully transparent form that serves as
// the owner window of shell operations, so that an elevation prompt comes to
// the front.
#pragma once

#include "forms/Form_Model.h"

class App_InvForm : public App_Form {
 public:
  App_InvForm();
  std::optional<bool> InMemory() const override { return InMemory_; }
  std::optional<bool> IsLoaded() const override { return IsLoaded_; }

 protected:
  void Form_Load() override;
  void Form_QueryUnload(bool& bCancel) override;

 private:
  bool InMemory_ = false;
  bool IsLoaded_ = false;
};

// The program's one invisible form, created on first use.
App_InvForm& InvForm();

// Makes the window see-through: the layered style and an opacity of bAlpha
// (0 = fully transparent).
bool SetTranslucent(HWND hWnd, BYTE bAlpha);
