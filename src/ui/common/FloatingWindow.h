#pragma once

#include <QWidget>

namespace quillet {

// A borderless floating window that stays above other windows and takes the
// keyboard focus for its content (text fields work, input methods included).
// Its background is a translucent rounded rectangle of radius 12; without a
// compositor the corners are cut by a window shape instead.
class FloatingWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int cornerRadius = 12;

    // Takes ownership of `content`, sized `contentSize`.
    FloatingWindow(QWidget *content, QSize contentSize, QWidget *parent = nullptr);

    QWidget *content() const { return m_content; }

    // The launcher's behaviour: the window closes once it stops being the
    // active window, and on an Escape its content did not handle.
    void setTransient(bool transient) { m_transient = transient; }

Q_SIGNALS:
    // The window is about to close, however that happens.
    void aboutToClose();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QWidget *m_content;
    bool m_transient = false;
    bool m_wasActive = false;
};

} // namespace quillet
