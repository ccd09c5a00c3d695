#pragma once
#include "base/SheetPrinter.h"
#include <QString>
#include <memory>

class QPdfWriter;
class QPrinterInfo;
class QPrinter;
class QTemporaryFile;

// Result sheets on the machine's default printer through CUPS, or, on a machine without one, as
// PDF files in a folder (the user's documents folder unless told otherwise), one file per
// document, named by the day, the pupil's number and name.
//
// A printer document is drawn into a file of our own first and handed to CUPS only once the
// painter has ended well: a failed drawing sends nothing, and CUPS's answer to the job is seen
// (Qt's own hand-over ignores it). A PDF is written under a temporary name in its folder and
// renamed into place only when it is complete; it never replaces an existing file.
class SystemSheetPrinter : public SheetPrinter {
public:
    enum class Output {
        DefaultPrinter, // the default printer; PDF files when the machine has none
        PdfFiles,       // always PDF files
    };

    explicit SystemSheetPrinter(Output output = Output::DefaultPrinter);
    ~SystemSheetPrinter() override;
    SystemSheetPrinter(const SystemSheetPrinter&) = delete;
    SystemSheetPrinter& operator=(const SystemSheetPrinter&) = delete;

    // Takes effect from the next Begin.
    void SetOutput(Output output);
    Output OutputMode() const { return Mode; }
    // Where PDF files go; made when missing. Takes effect from the next Begin.
    void SetPdfFolder(const QString& folder);
    QString PdfFolder() const { return Folder; }

    QPagedPaintDevice* Begin(const Document& doc, QString* error) override;
    bool Finish(bool painted, QString* where, QString* error) override;
    // Before the first document: whether the next one would become a file. Afterwards: whether
    // the current or last one did.
    bool WritesFiles() const override;

private:
    QPagedPaintDevice* BeginPrinter(const QPrinterInfo& info, QString* error);
    QPagedPaintDevice* BeginPdf(QString* error);
    bool FinishPrinter(bool painted, QString* where, QString* error);
    bool FinishPdf(bool painted, QString* where, QString* error);
    void Discard();

    Output Mode;
    QString Folder;

    // The document between Begin and Finish.
    std::unique_ptr<QPrinter> Printer;     // for the printer
    std::unique_ptr<QPdfWriter> Pdf;       // for a PDF file
    std::unique_ptr<QTemporaryFile> Drawn; // what either writes
    Document Current;
    QString PrinterName;                   // empty for a PDF
    bool Decided = false;                  // a document has been begun
    bool LastWasFile = false;
};
