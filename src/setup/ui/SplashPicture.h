#pragma once
#include <QWidget>

// The start-up picture: the title over two fraction pies on a quiet sky, drawn at any size.
class SplashPicture : public QWidget {
    Q_OBJECT
public:
    explicit SplashPicture(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
