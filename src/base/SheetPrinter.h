#pragma once
#include <QDate>
#include <QString>

class QPagedPaintDevice;

// Where printed result sheets go: the classroom's printer, or PDF files when the machine has
// none. One document per pupil: Begin, paint its pages with a QPainter on the device, end the
// painter, then Finish.
class SheetPrinter {
public:
    struct Document {
        QString Title;      // the job's name
        QDate Day;          // the day it is printed
        int Pupil = 0;
        QString PupilName;  // surrounding blanks removed
        bool Landscape = false; // A4 landscape (a wide table) instead of portrait
    };

    virtual ~SheetPrinter() = default;

    // An A4 page surface (portrait, or landscape when the document asks) for one document, or nullptr with `error` set (Japanese, naming
    // the printer or the folder). The device stays valid until Finish.
    virtual QPagedPaintDevice* Begin(const Document& doc, QString* error) = 0;
    // Called once the painter on the device has ended; `painted` is false when painting failed.
    // True when the document reached the printer or its file; `where` names the printer or the
    // file for the teacher. On false, `error` says what went wrong and no partial file is left.
    virtual bool Finish(bool painted, QString* where, QString* error) = 0;
    // True when documents become PDF files rather than paper.
    virtual bool WritesFiles() const = 0;
};
