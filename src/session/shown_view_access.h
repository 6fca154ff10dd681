#pragma once

class QWidget;

// Assistive tools (screen readers) see, of the widgets that hold the two text
// views, only those on show: the hidden view keeps a copy of the page that may
// be stale, and reading it out would mislead.
void exposeShownViewsOnly(QWidget& host);
