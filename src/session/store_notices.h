#pragma once

#include "store/page_history.h"
#include "store/settings_store.h"

#include <QString>

#include <optional>

// What the program tells the user when the store refuses a write, or when
// a store or history file was found damaged at start-up.
namespace notices {

// "ディスクの空き容量が足りません。" and the like, then the store's path.
QString failureDetail(const SettingsStore& store, SettingsStore::Failure failure);
// The page was not stored, so the switch to another page did not happen.
QString switchRefused(const SettingsStore& store, int page);
// The page on show was not stored (the Open dialog of dropped files).
QString pageNotStored(const SettingsStore& store, int page);
// A file was not stored into another page.
QString fileNotStored(const SettingsStore& store, int page);
// Start-up: no store could be opened, or a damaged one was kept aside.
QString noStore(const SettingsStore& store);
QString keptAside(const QString& asidePath);
// The page history's file was damaged and kept aside; the pages are intact.
QString historyKeptAside(const QString& asidePath);
// A snapshot of a page could not be kept in the page history: why, where,
// and what becomes of it (tried again, or dropped when no retry can help).
QString historyRefused(const QString& historyPath, PageHistory::Failure failure);
// Shut-down refused: stay (Yes) or end without saving (No). `kept` names the
// file the page on show was written to, is empty when it could not be
// written anywhere, and absent when the page holds no edits.
QString endRefused(const SettingsStore& store, const std::optional<QString>& kept);

} // namespace notices
