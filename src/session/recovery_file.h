#pragma once

#include <QString>

class Views;

// The last resort when the store refuses the page on show and nobody can be
// asked: the page written to a file of its own.
namespace recovery {

// $XDG_DATA_HOME/sorabun/recovery, where pages the store refused are kept.
QString recoveryFolder();
// A new file for page `page` in a folder of its own in recoveryFolder(); it
// does not exist yet.
QString recoveryPath(int page);
// Writes the text as UTF-8; false when it could not be written whole.
bool writeRecovery(const QString& path, const QString& text);
// The store refused the page on show: when it holds edits (and is whole, not
// half read or built), it is written to `path`, and standard error says where
// (or that it could not be).
void keepUnsaved(Views& views, const QString& path);

} // namespace recovery
