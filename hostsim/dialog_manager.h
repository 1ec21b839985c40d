// The stand-in host's dialog manager: dialogs built from the plug-in's dialog
// templates, their items, and modal dialogs answered by a scripted user.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/adm.h"
#include "resources/resource_table.h"

namespace hostsim {

class Dialog;

class Item {
 public:
  Item(Dialog* dialog, const velm::res::DialogItem& tmpl);
  std::int32_t id() const { return id_; }
  velm::res::ItemKind kind() const { return kind_; }
  Dialog* dialog() const { return dialog_; }
  // Texts are the plug-in's Shift-JIS bytes.
  const std::string& text() const { return text_; }
  void SetText(std::string text) { text_ = std::move(text); }
  host::ItemNotifyProc notifyProc() const { return notify_; }
  void SetNotifyProc(host::ItemNotifyProc proc) { notify_ = proc; }
  std::int32_t pictureId() const { return pictureId_; }
  // The item's place in its dialog's local coordinates (from the template, then as set).
  const host::Rect& bounds() const { return bounds_; }
  void SetBounds(const host::Rect& bounds) { bounds_ = bounds; }

  host::ItemRef ref() { return reinterpret_cast<host::ItemRef>(this); }
  static Item* From(host::ItemRef ref) { return reinterpret_cast<Item*>(ref); }

 private:
  Dialog* dialog_;
  std::int32_t id_;
  velm::res::ItemKind kind_;
  std::string text_;
  std::int32_t pictureId_;
  host::Rect bounds_{};
  host::ItemNotifyProc notify_ = nullptr;
};

class Dialog {
 public:
  Dialog(std::string name, const velm::res::Dialog& tmpl, void* userData, bool modal);
  const std::string& name() const { return name_; }
  std::int32_t id() const { return id_; }
  const std::string& title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }
  void* userData() const { return userData_; }
  bool modal() const { return modal_; }

  Item* FindItem(std::int32_t id);
  const std::vector<std::unique_ptr<Item>>& items() const { return items_; }

  // The scripted user's actions.
  // Sets an item's text as if typed (Shift-JIS bytes).
  void Type(std::int32_t itemId, const std::string& text);
  // Presses a button: its notification procedure runs, or the default handling.
  void Press(std::int32_t itemId);
  // The text of an item (Shift-JIS bytes); empty when there is no such item.
  std::string TextOf(std::int32_t itemId);

  void End(std::int32_t itemId, bool cancelled);
  bool ended() const { return ended_; }
  std::int32_t result() const { return result_; }

  host::DialogRef ref() { return reinterpret_cast<host::DialogRef>(this); }
  static Dialog* From(host::DialogRef ref) { return reinterpret_cast<Dialog*>(ref); }

 private:
  std::string name_;
  std::int32_t id_;
  std::string title_;
  void* userData_;
  bool modal_;
  std::vector<std::unique_ptr<Item>> items_;
  bool ended_ = false;
  std::int32_t result_ = -1;
};

// What a modal dialog looked like when it closed.
struct ModalRecord {
  std::string name;
  std::int32_t dialogId = 0;
  std::string title;                          // Shift-JIS
  std::map<std::int32_t, std::string> texts;  // item id -> text, Shift-JIS
  std::int32_t result = -1;
};

using ModalScript = std::function<void(Dialog&)>;

class DialogManager {
 public:
  // Answers the next modal dialog: the script runs after the dialog's initialisation
  // and must close it (press a button).
  void QueueModal(ModalScript script) { scripts_.push_back(std::move(script)); }
  std::size_t PendingScripts() const { return scripts_.size(); }
  void ClearScripts() { scripts_.clear(); }
  const std::vector<ModalRecord>& modalLog() const { return modalLog_; }
  void ClearLog() { modalLog_.clear(); }

  std::int32_t RunModal(const velm::res::ResourceTable* resources, const char* name,
                        std::int32_t dialogId, host::DialogInitProc init, void* userData);

 private:
  std::deque<ModalScript> scripts_;
  std::vector<ModalRecord> modalLog_;
};

// Fills the dialog-manager suites the host implements.
void InstallDialogSuites(host::AdmBasicSuite& basic, host::AdmDialogSuite& dialog,
                         host::AdmItemSuite& item);

}  // namespace hostsim
