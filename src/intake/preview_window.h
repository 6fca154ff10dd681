#pragma once

#include <QDialog>

class TextView;

// "表示": shows what a page holds in the store. It is a look, not an
// editor: the text cannot be changed here, so nothing typed can be lost.
class PreviewWindow : public QDialog {
    Q_OBJECT
public:
    explicit PreviewWindow(QWidget* parent = nullptr);

    // The view fills the window, less a margin of 100 twips across and 500
    // down, taken from the outer size; never wider or taller than the window's
    // inside, never negative.
    void fitView();

    // The page on show.
    TextView& view() const { return *m_view; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    TextView* m_view;
};
