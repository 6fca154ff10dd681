#pragma once

#include <QString>

class Views;

// The last resort when the store refuses the page on show: the page written
// to a file of its own, where the user is told to find it.
namespace recovery {

// $XDG_DATA_HOME/sorabun/recovery, where pages the store refused are kept.
QString recoveryFolder();
// $XDG_RUNTIME_DIR/sorabun/recovery: the second place, in memory and private
// to the user, for when the data folder cannot take a page (its disk full);
// the system empties it at logout. Empty when there is no such folder.
QString runtimeFolder();
// Whether a file lies in runtimeFolder().
bool isShortLived(const QString& path);

// The store refused the page on show: when it holds edits (and is whole, not
// half read or built), it is written as UTF-8 to a new file for page `page`
// in a folder of its own, in recoveryFolder() or, where that cannot take it,
// in runtimeFolder(); standard error says where, or that it could not be.
// Returns the file written, or empty when there was nothing to write or
// nowhere to write it.
QString keepUnsaved(Views& views, int page);

} // namespace recovery
