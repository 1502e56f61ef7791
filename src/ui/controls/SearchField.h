#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace quillet {

// A small rounded search box: magnifier, text field and a clear button that
// shows only while there is text.
class SearchField : public QWidget {
    Q_OBJECT
public:
    explicit SearchField(const QString &placeholder, QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text);
    QLineEdit *lineEdit() const { return m_edit; }

Q_SIGNALS:
    void textChanged(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLineEdit *m_edit;
    QToolButton *m_clear;
};

} // namespace quillet
