#include "base/ui/DialogPrinter.h"
#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

DialogPrinter::DialogPrinter(QWidget* parent) : Parent(parent), Files(SystemSheetPrinter::Output::PdfFiles) {}

DialogPrinter::~DialogPrinter() = default;

QPagedPaintDevice* DialogPrinter::Begin(const Document& doc, QString* error)
{
    error->clear();
    Printer.reset();
    UsingFiles = QPrinterInfo::availablePrinters().isEmpty();
    if (UsingFiles)
        return Files.Begin(doc, error);
    Printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    Printer->setDocName(doc.Title);
    Printer->setCreator(QStringLiteral("ゾメ２"));
    Printer->setPageOrientation(doc.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPrintDialog dialog(Printer.get(), Parent);
    dialog.setWindowTitle(QStringLiteral("印刷"));
    if (dialog.exec() != QDialog::Accepted) {
        Printer.reset();
        return nullptr;
    }
    if (!Printer->isValid()) {
        *error = QStringLiteral("プリンター「%1」を使えません。").arg(Printer->printerName());
        Printer.reset();
        return nullptr;
    }
    return Printer.get();
}

bool DialogPrinter::Finish(bool painted, QString* where, QString* error)
{
    if (UsingFiles)
        return Files.Finish(painted, where, error);
    where->clear();
    if (!Printer) {
        *error = QStringLiteral("印刷する書類が始まっていません。");
        return false;
    }
    const std::unique_ptr<QPrinter> printer = std::move(Printer);
    const QString file = printer->outputFileName();
    const QString name = file.isEmpty() ? printer->printerName() : QDir::toNativeSeparators(file);
    if (!painted || printer->printerState() == QPrinter::Error) {
        *error = QStringLiteral("「%1」への印刷に失敗しました。").arg(name);
        return false;
    }
    if (printer->printerState() == QPrinter::Aborted) {
        *error = QStringLiteral("「%1」への印刷は取りやめになりました。").arg(name);
        return false;
    }
    if (!file.isEmpty() && QFileInfo(file).size() == 0) {
        *error = QStringLiteral("ファイル「%1」を書けませんでした。").arg(name);
        return false;
    }
    *where = name;
    return true;
}
