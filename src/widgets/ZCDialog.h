#pragma once
#include <cstdint>
#include <string>

#include "widgets/ButtonWidget.h"
#include "widgets/ZCCandyWidget.h"

class XmlNode;
class ZCDialog;
namespace Vesk {
class VeskAppBase;
}

// What the owner of a dialog hears from it.
class ZCDialogOwner {
 public:
  virtual ~ZCDialogOwner() = default;
  // A child widget was built from the layout.
  virtual void DialogChildCreated(ZCDialog*, const std::string& /*name*/, ZCCandyWidget*) {}
  virtual void DialogShown(ZCDialog*) {}
  virtual void DialogHidden(ZCDialog*) {}
  // One of its buttons was clicked.
  virtual void DialogCommand(ZCDialog*, int32_t /*buttonId*/) {}
};

// A widget container built from a "cfg\\ui.xml" element of type "zcdialog": the base of every
// screen, dialog and the head-up display. It listens to its buttons (a click reaches OnCommand)
// and, when modal, stands on the manager's modal stack while it is visible.
class ZCDialog : public ZCCandyWidget, public Vesk::ButtonListener {
 public:
  // A dialog not modal and not registered, invisible.
  ZCDialog(int32_t id, Vesk::VeskAppBase* app);
  // A dialog made as the child of another (added to it).
  ZCDialog(ZCDialog* parent, Vesk::VeskAppBase* app);
  ~ZCDialog() override;

  void OnShowStart() override {}
  void OnHideStart() override {}
  void LockTextures() override;
  void UnlockTextures() override;
  void AddChild(const std::string& name, ZCCandyWidget* widget) override;
  ZCCandyWidget* FindChild(const std::string& name) const override;
  // Builds the dialog from its element: attributes, texture slots, effect, then every child.
  void LoadFromXml(const XmlNode& node) override;
  // A button of the dialog (or of a dialog inside it) was clicked; the default tells the owner
  // and hands the click to the parent dialog.
  virtual void OnCommand(ZCCandyWidget* button);

  // Finds the element of that name and type "zcdialog" under the document and builds the dialog
  // from it; false (with a warning) when there is none.
  bool LoadByName(const XmlNode& doc, const std::string& name);

  void Update() override;
  void SetVisible(bool visible) override;
  void MouseDown(int32_t x, int32_t y, int32_t button, int32_t clicks) override;
  void MouseUp(int32_t x, int32_t y, int32_t button) override;

  void ButtonDepress(int32_t id) override;

  // Sets the modal flag and registers or unregisters the dialog with the modal stack at once.
  void SetModal(bool modal);
  bool IsModal() const { return mModal; }
  void SetOwner(ZCDialogOwner* owner) { mOwner = owner; }
  ZCDialogOwner* GetOwner() const { return mOwner; }
  // Mouse events on the dialog are handed to this widget first (null for none).
  void SetForwardingTarget(Vesk::Widget* target) { mForwardTarget = target; }
  Vesk::Widget* GetForwardingTarget() const { return mForwardTarget; }
  // Key presses and releases that reach the dialog are handed to this widget instead (null for
  // none): a screen answers the keys typed in a field of one of its inner dialogs.
  void SetKeyForwardingTarget(Vesk::Widget* target) { mKeyForwardTarget = target; }
  Vesk::Widget* GetKeyForwardingTarget() const { return mKeyForwardTarget; }
  void KeyDown(int32_t key) override;
  void KeyUp(int32_t key) override;
  // The button or other listened widget of that id in the dialog's subtree, or null.
  ZCCandyWidget* FindById(int32_t id) const;
  // The widget of that name anywhere in the dialog's subtree (depth first), or null.
  ZCCandyWidget* FindDescendant(const std::string& name) const;

  int32_t mDialogId = 0;
  Vesk::VeskAppBase* mApp = nullptr;

 protected:
  void SyncModal();
  bool mModal = false;
  ZCDialogOwner* mOwner = nullptr;
  Vesk::Widget* mForwardTarget = nullptr;
  Vesk::Widget* mKeyForwardTarget = nullptr;
};
