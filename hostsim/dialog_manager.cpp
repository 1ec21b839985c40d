#include "hostsim/dialog_manager.h"

#include <algorithm>
#include <cstring>

#include "hostsim/host.h"

namespace hostsim {

Item::Item(Dialog* dialog, const velm::res::DialogItem& tmpl)
    : dialog_(dialog),
      id_(tmpl.id),
      kind_(tmpl.kind),
      text_(tmpl.text ? tmpl.text : ""),
      pictureId_(tmpl.pictureId),
      bounds_{tmpl.rect.left, tmpl.rect.top, tmpl.rect.right, tmpl.rect.bottom} {}

Dialog::Dialog(std::string name, const velm::res::Dialog& tmpl, void* userData, bool modal)
    : name_(std::move(name)),
      id_(tmpl.id),
      title_(tmpl.title ? tmpl.title : ""),
      userData_(userData),
      modal_(modal) {
  for (std::int32_t i = 0; i < tmpl.itemCount; ++i)
    items_.push_back(std::make_unique<Item>(this, tmpl.items[i]));
}

Item* Dialog::FindItem(std::int32_t id) {
  for (auto& item : items_)
    if (item->id() == id) return item.get();
  return nullptr;
}

void Dialog::Type(std::int32_t itemId, const std::string& text) {
  Item* item = FindItem(itemId);
  if (!item) {
    Host::Current()->Fail("typing into item " + std::to_string(itemId) + " that dialog " + name_ +
                          " does not have");
    return;
  }
  item->SetText(text);
}

void Dialog::Press(std::int32_t itemId) {
  Item* item = FindItem(itemId);
  if (!item) {
    Host::Current()->Fail("pressing item " + std::to_string(itemId) + " that dialog " + name_ +
                          " does not have");
    return;
  }
  if (host::ItemNotifyProc proc = item->notifyProc()) {
    proc(item->ref(), nullptr);
  } else if (item->kind() == velm::res::ItemKind::kButton && modal_) {
    End(itemId, false);
  }
}

std::string Dialog::TextOf(std::int32_t itemId) {
  Item* item = FindItem(itemId);
  return item ? item->text() : std::string();
}

void Dialog::End(std::int32_t itemId, bool cancelled) {
  ended_ = true;
  result_ = cancelled ? -1 : itemId;
}

std::int32_t DialogManager::RunModal(const velm::res::ResourceTable* resources, const char* name,
                                     std::int32_t dialogId, host::DialogInitProc init,
                                     void* userData) {
  const velm::res::Dialog* tmpl = resources ? velm::res::FindDialog(*resources, dialogId) : nullptr;
  if (!tmpl) return -1;
  Dialog dialog(name ? name : "", *tmpl, userData, true);
  if (init && init(dialog.ref()) != host::kNoErr) return -1;

  if (scripts_.empty()) {
    Host::Current()->Fail("modal dialog \"" + dialog.name() + "\" (" + std::to_string(dialogId) +
                          ") opened with no scripted answer");
    dialog.End(-1, true);
  } else {
    ModalScript script = std::move(scripts_.front());
    scripts_.pop_front();
    script(dialog);
    if (!dialog.ended()) {
      Host::Current()->Fail("the script left modal dialog \"" + dialog.name() + "\" open");
      dialog.End(-1, true);
    }
  }

  ModalRecord record;
  record.name = dialog.name();
  record.dialogId = dialogId;
  record.title = dialog.title();
  for (const auto& item : dialog.items())
    record.texts[item->id()] = item->text();
  record.result = dialog.result();
  modalLog_.push_back(record);
  return dialog.result();
}

namespace {

SuiteRegistry& Reg() {
  return Host::Current()->suites();
}

// ---- ADM Basic Suite ----

host::Err GetIndexString(host::PluginRef, std::int32_t listId, std::int32_t index, char* buffer,
                         std::int32_t maxLength) {
  if (host::Err e = Reg().Check(host::AdmBasicSuite::kName, "GetIndexString")) return e;
  if (!buffer || maxLength <= 0) return host::kBadParameterErr;
  buffer[0] = '\0';
  const velm::res::ResourceTable* table = Host::Current()->resources();
  const velm::res::StringList* list = table ? velm::res::FindStringList(*table, listId) : nullptr;
  if (!list || index < 1) return host::kNotFoundErr;
  if (index > list->count) return host::kNoErr;
  const char* text = list->strings[index - 1];
  const std::size_t n = std::min(std::strlen(text), static_cast<std::size_t>(maxLength - 1));
  std::memcpy(buffer, text, n);
  buffer[n] = '\0';
  return host::kNoErr;
}

void AdmBeep() {
  Host::Current()->Beep();
}

// ---- ADM Dialog Suite ----

std::int32_t Modal(host::PluginRef, const char* name, std::int32_t dialogId, std::int32_t,
                   host::DialogInitProc init, void* userData) {
  if (Reg().Check(host::AdmDialogSuite::kName, "Modal")) return -1;
  Host* h = Host::Current();
  return h->dialogs().RunModal(h->resources(), name, dialogId, init, userData);
}

void EndModal(host::DialogRef dialog, std::int32_t itemId, host::Boolean cancelled) {
  if (dialog) Dialog::From(dialog)->End(itemId, cancelled != 0);
}

host::ItemRef GetItem(host::DialogRef dialog, std::int32_t itemId) {
  if (!dialog) return nullptr;
  Item* item = Dialog::From(dialog)->FindItem(itemId);
  return item ? item->ref() : nullptr;
}

void* GetUserData(host::DialogRef dialog) {
  return dialog ? Dialog::From(dialog)->userData() : nullptr;
}

void SetDialogText(host::DialogRef dialog, const char* text) {
  if (dialog) Dialog::From(dialog)->SetTitle(text ? text : "");
}

// ---- ADM Item Suite ----

void SetItemText(host::ItemRef item, const char* text) {
  if (item) Item::From(item)->SetText(text ? text : "");
}

void GetItemText(host::ItemRef item, char* text, std::int32_t maxLength) {
  if (!text || maxLength <= 0) return;
  text[0] = '\0';
  if (!item) return;
  const std::string& s = Item::From(item)->text();
  const std::size_t n = std::min(s.size(), static_cast<std::size_t>(maxLength - 1));
  std::memcpy(text, s.data(), n);
  text[n] = '\0';
}

void GetItemBounds(host::ItemRef item, host::Rect* rect) {
  if (!rect) return;
  *rect = item ? Item::From(item)->bounds() : host::Rect{};
}

void GetItemLocalRect(host::ItemRef item, host::Rect* rect) {
  if (!rect) return;
  const host::Rect b = item ? Item::From(item)->bounds() : host::Rect{};
  *rect = {0, 0, b.right - b.left, b.bottom - b.top};
}

void SetItemBounds(host::ItemRef item, const host::Rect* rect) {
  if (item && rect) Item::From(item)->SetBounds(*rect);
}

void SetItemSize(host::ItemRef item, std::int32_t width, std::int32_t height) {
  if (!item || width < 0 || height < 0) return;
  host::Rect b = Item::From(item)->bounds();
  b.right = b.left + width;
  b.bottom = b.top + height;
  Item::From(item)->SetBounds(b);
}

void SetNotifyProc(host::ItemRef item, host::ItemNotifyProc proc) {
  if (item) Item::From(item)->SetNotifyProc(proc);
}

void DefaultNotify(host::ItemRef item, host::NotifierRef) {
  if (!item) return;
  Item* it = Item::From(item);
  if (it->kind() == velm::res::ItemKind::kButton && it->dialog()->modal())
    it->dialog()->End(it->id(), false);
}

host::DialogRef GetDialog(host::ItemRef item) {
  return item ? Item::From(item)->dialog()->ref() : nullptr;
}

std::int32_t GetID(host::ItemRef item) {
  return item ? Item::From(item)->id() : 0;
}

}  // namespace

void InstallDialogSuites(host::AdmBasicSuite& basic, host::AdmDialogSuite& dialog,
                         host::AdmItemSuite& item) {
  basic.GetIndexString = GetIndexString;
  basic.Beep = AdmBeep;
  dialog.Modal = Modal;
  dialog.EndModal = EndModal;
  dialog.GetItem = GetItem;
  dialog.GetUserData = GetUserData;
  dialog.SetText = SetDialogText;
  item.SetText = SetItemText;
  item.GetText = GetItemText;
  item.SetNotifyProc = SetNotifyProc;
  item.DefaultNotify = DefaultNotify;
  item.GetDialog = GetDialog;
  item.GetID = GetID;
  item.GetBoundsRect = GetItemBounds;
  item.GetLocalRect = GetItemLocalRect;
  item.SetBoundsRect = SetItemBounds;
  item.SetSize = SetItemSize;
}

}  // namespace hostsim
