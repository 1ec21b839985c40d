#include "hostsim/desktop/dialog_manager.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hostsim/core/host.h"
#include "hostsim/desktop/adm_drawing.h"

namespace hostsim {

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
  if (!item->TakesTyping()) {
    Host::Current()->Fail(
        "typing into item " + std::to_string(itemId) + " of dialog " + name_ +
        (item->IsPopup() ? ", a popup that can only be chosen from" : ", which takes no typing"));
    return;
  }
  // What does not fit the item's limit cannot be typed.
  const std::size_t limit =
      item->maxTextLength() > 0 ? static_cast<std::size_t>(item->maxTextLength()) : text.size();
  item->SetText(text.substr(0, limit));
}

void Dialog::Press(std::int32_t itemId) {
  Item* item = FindItem(itemId);
  if (!item) {
    Host::Current()->Fail("pressing item " + std::to_string(itemId) + " that dialog " + name_ +
                          " does not have");
    return;
  }
  if (!item->enabled()) {
    Host::Current()->Fail("pressing item " + std::to_string(itemId) + " of dialog " + name_ +
                          ", which is disabled");
    return;
  }

  NotifyUserChanged(item);
}

void Dialog::PressKeyItem(std::int32_t itemId) {
  Item* item = FindItem(itemId);
  if (item && item->enabled()) Press(itemId);
}

void Dialog::PressReturn() {
  PressKeyItem(defaultItem_);
}

void Dialog::PressEscape() {
  PressKeyItem(cancelItem_);
}

std::string Dialog::TextOf(std::int32_t itemId) {
  Item* item = FindItem(itemId);
  return item ? item->text() : std::string();
}

bool Dialog::Choose(std::int32_t itemId, std::int32_t index) {
  Item* item = FindItem(itemId);
  if (!item || !item->HasList() || index < 0 ||
      index >= static_cast<std::int32_t>(item->entries().size()))
    return false;
  item->Select(item->entries()[static_cast<std::size_t>(index)].get(), true);
  // A user's choice is a change the item's notification procedure hears of.
  if (item->notifyProc()) NotifyUserChanged(item);
  return true;
}

std::vector<std::string> Dialog::EntryTexts(std::int32_t itemId) {
  std::vector<std::string> texts;
  if (Item* item = FindItem(itemId))
    for (const auto& e : item->entries())
      texts.push_back(e->text);
  return texts;
}

std::int32_t Dialog::SelectedIndex(std::int32_t itemId) {
  Item* item = FindItem(itemId);
  return item ? item->IndexOf(item->SelectedEntry()) : -1;
}

bool Dialog::Click(std::int32_t itemId, host::Point point) {
  Item* item = FindItem(itemId);
  if (!item || !item->trackProc()) return false;
  for (std::int32_t action : {host::kTrackMouseDown, host::kTrackMouseUp}) {
    host::TrackerEvent event{};
    event.point = point;
    event.action = action;
    item->trackProc()(item->ref(), reinterpret_cast<host::TrackerRef>(&event));
  }
  return true;
}

bool Dialog::DrawItem(std::int32_t itemId, Bitmap* target) {
  Item* item = FindItem(itemId);
  if (!item || !item->drawProc() || !target) return false;
  const host::Rect& b = item->bounds();
  Drawer* drawer = NewDrawer(target, {b.left, b.top}, b);
  item->drawProc()(item->ref(), drawer->ref());
  DeleteDrawer(drawer);
  return true;
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

  if (scripts_.empty() && interactive_) {
    interactive_(dialog);
    if (!dialog.ended()) dialog.End(-1, true);
  } else if (scripts_.empty()) {
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

}  // namespace hostsim
