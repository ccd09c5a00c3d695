#pragma once
#include <QWidget>

// A red line across its rectangle, from the top-left to the bottom-right corner or, rising,
// from the bottom-left to the top-right. Clicks pass through it.
class GuideLine : public QWidget {
    Q_OBJECT
public:
    explicit GuideLine(bool rising, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool Rising;
};
