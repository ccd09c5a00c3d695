#pragma once
#include "base/SheetPrinter.h"
#include "base/ui/SystemSheetPrinter.h"
#include <memory>

class QPrinter;
class QWidget;

// The system's print dialog on a printer of this machine. A machine without a printer gets PDF
// files in the documents folder instead, with no dialog.
class DialogPrinter : public SheetPrinter {
public:
    explicit DialogPrinter(QWidget* parent);
    ~DialogPrinter() override;

    // nullptr with an empty `error` when the teacher cancelled the dialog.
    QPagedPaintDevice* Begin(const Document& doc, QString* error) override;
    bool Finish(bool painted, QString* where, QString* error) override;
    bool WritesFiles() const override { return UsingFiles; }

private:
    QWidget* Parent;
    SystemSheetPrinter Files;
    std::unique_ptr<QPrinter> Printer;
    bool UsingFiles = false;
};
