#pragma once

#include <QWidget>

namespace quillet {

// A rounded box for a column of rows, with a hairline between each two
// visible rows, starting `hairlineInset` pixels from the left edge.
class RowsBox : public QWidget {
    Q_OBJECT
public:
    explicit RowsBox(int hairlineInset = 12, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_hairlineInset;
};

} // namespace quillet
