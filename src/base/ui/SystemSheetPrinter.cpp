#include "base/ui/SystemSheetPrinter.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }

QString SystemText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// libcups, the library Qt's own printing plugin uses, resolved when first needed so that building
// needs no CUPS headers. Only two long-stable calls of its C interface are used.
class CupsLibrary {
public:
    struct Option {
        char* Name;
        char* Value;
    };
    using PrintFileCall = int (*)(const char* printer, const char* file, const char* title, int optionCount,
                                  Option* options);
    using LastErrorCall = const char* (*)();

    static const CupsLibrary& Get()
    {
        static const CupsLibrary library;
        return library;
    }
    bool Usable() const { return PrintFile && LastErrorString; }

    PrintFileCall PrintFile = nullptr;
    LastErrorCall LastErrorString = nullptr;
    QString LoadError;

private:
    CupsLibrary()
    {
        QLibrary library(QStringLiteral("cups"), 2);
        if (!library.load()) {
            LoadError = library.errorString();
            return;
        }
        PrintFile = reinterpret_cast<PrintFileCall>(library.resolve("cupsPrintFile"));
        LastErrorString = reinterpret_cast<LastErrorCall>(library.resolve("cupsLastErrorString"));
        if (!Usable())
            LoadError = library.errorString();
    }
};

// A part of a file name: what file systems (a Windows share included) refuse becomes "_", and the
// whole stays well inside the 255 bytes a name may take.
QString FileNamePart(const QString& text)
{
    QString part;
    for (const QChar c : text)
        part += (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringView(u"/\\:*?\"<>|").contains(c)) ? u'_' : c;
    while (part.toUtf8().size() > 150) {
        part.chop(1);
        if (!part.isEmpty() && part.back().isHighSurrogate())
            part.chop(1);
    }
    return part;
}

// "20261210_12_山田太郎": the day, the pupil's number and name; what is missing is left out.
QString BaseName(const SheetPrinter::Document& doc)
{
    QStringList parts;
    if (doc.Day.isValid())
        parts << doc.Day.toString(QStringLiteral("yyyyMMdd"));
    parts << QString::number(doc.Pupil);
    const QString name = FileNamePart(doc.PupilName.trimmed());
    if (!name.isEmpty())
        parts << name;
    return parts.join(u'_');
}

// Empty when the file holds a whole PDF and is on the disk; otherwise why not. QPainter::end and
// the PDF engine report no failed write, so the file itself is looked at: a write that failed on
// the way leaves it without its closing "%%EOF". The usual cause, a full disk, is named.
QString IncompletePdf(const QString& path)
{
    QString why;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    const qint64 size = file.size();
    if (size == 0) {
        why = QStringLiteral("ファイルが空です");
    } else {
        const QByteArray head = file.read(5);
        const qint64 tailSize = qMin<qint64>(size, 64);
        if (!file.seek(size - tailSize))
            return file.errorString();
        if (head != "%PDF-" || !file.read(tailSize).contains("%%EOF"))
            why = QStringLiteral("ファイルが途中までしかありません");
        else if (::fsync(file.handle()) != 0)
            why = SystemText(errno);
    }
    if (!why.isEmpty() && QStorageInfo(QFileInfo(path).absolutePath()).bytesAvailable() < 1024 * 1024)
        why += QStringLiteral("。ディスクに空きがありません");
    return why;
}

// Renames without replacing an existing file: 0, EEXIST when the name is taken, or another errno.
int RenameWithoutReplacing(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    // File systems without it, some network shares among them: a hard link refuses a taken name too.
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return 0;
    }
    if (errno == EEXIST)
        return EEXIST;
    // Nor links (FAT): looked at first, then renamed.
    if (QFileInfo::exists(to))
        return EEXIST;
    return ::rename(source.constData(), target.constData()) == 0 ? 0 : errno;
}

// Both devices take the same A4 page; false when the device would not.
template <typename Device>
bool SetUpPage(Device& device, bool landscape)
{
    device.setCreator(QStringLiteral("ゾメ２"));
    return device.setPageSize(QPageSize(QPageSize::A4))
           && device.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait)
           && device.pageLayout().pageSize().id() == QPageSize::A4;
}

QString Paper(bool landscape) { return landscape ? QStringLiteral("A4横") : QStringLiteral("A4縦"); }
} // namespace

SystemSheetPrinter::SystemSheetPrinter(Output output)
    : Mode(output), Folder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
{
}

SystemSheetPrinter::~SystemSheetPrinter() { Discard(); }

void SystemSheetPrinter::SetOutput(Output output) { Mode = output; }

void SystemSheetPrinter::SetPdfFolder(const QString& folder) { Folder = folder; }

bool SystemSheetPrinter::WritesFiles() const
{
    if (Decided)
        return LastWasFile;
    return Mode == Output::PdfFiles || QPrinterInfo::defaultPrinter().isNull();
}

QPagedPaintDevice* SystemSheetPrinter::Begin(const Document& doc, QString* error)
{
    // A document begun and never finished is dropped: nothing of it was sent or saved.
    Discard();
    Current = doc;
    Decided = true;
    const QPrinterInfo info = Mode == Output::DefaultPrinter ? QPrinterInfo::defaultPrinter() : QPrinterInfo();
    LastWasFile = info.isNull();
    QPagedPaintDevice* device = LastWasFile ? BeginPdf(error) : BeginPrinter(info, error);
    if (!device)
        Discard();
    return device;
}

QPagedPaintDevice* SystemSheetPrinter::BeginPrinter(const QPrinterInfo& info, QString* error)
{
    PrinterName = info.printerName();
    const QString name = PrinterName;
    if (info.state() == QPrinter::Error) {
        *error = QStringLiteral("プリンター「%1」は止まっています。電源、用紙、つながりを確かめてください。").arg(name);
        return nullptr;
    }
    const CupsLibrary& cups = CupsLibrary::Get();
    if (!cups.Usable()) {
        *error = QStringLiteral("プリンター「%1」に送れません（CUPSのライブラリを使えません: %2）。").arg(name, cups.LoadError);
        return nullptr;
    }
    Printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!Printer->isValid() || Printer->outputFormat() != QPrinter::NativeFormat) {
        *error = QStringLiteral("プリンター「%1」を使えません。").arg(name);
        return nullptr;
    }
    // Drawn into a file first and sent in Finish. Not named *.pdf: QPrinter would take that for
    // the PDF format and forget the printer, whose page sizes and margins the page should have.
    Drawn = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/zome2-sheet-XXXXXX.prn"));
    if (!Drawn->open()) {
        *error = QStringLiteral("プリンター「%1」に送る一時ファイルを作れません（%2: %3）。")
                     .arg(name, Shown(QDir::tempPath()), Drawn->errorString());
        return nullptr;
    }
    const QString path = Drawn->fileName();
    Drawn->close();
    Printer->setOutputFileName(path);
    Printer->setDocName(Current.Title);
    if (!SetUpPage(*Printer, Current.Landscape) || Printer->outputFormat() != QPrinter::NativeFormat) {
        *error = QStringLiteral("プリンター「%1」には%2の用紙で印刷できません。").arg(name, Paper(Current.Landscape));
        return nullptr;
    }
    return Printer.get();
}

QPagedPaintDevice* SystemSheetPrinter::BeginPdf(QString* error)
{
    if (Folder.isEmpty()) {
        *error = QStringLiteral("PDFの保存先フォルダが決まっていません。");
        return nullptr;
    }
    if (!QDir().mkpath(Folder)) {
        *error = QStringLiteral("PDFの保存先フォルダ「%1」に書き込めません（フォルダを作れません）。").arg(Shown(Folder));
        return nullptr;
    }
    // Hidden while it is written; the teacher sees only whole files.
    Drawn = std::make_unique<QTemporaryFile>(QDir(Folder).filePath(QStringLiteral(".zome2-sheet-XXXXXX.part")));
    if (!Drawn->open()) {
        *error = QStringLiteral("PDFの保存先フォルダ「%1」に書き込めません（%2）。").arg(Shown(Folder), Drawn->errorString());
        return nullptr;
    }
    const QString path = Drawn->fileName();
    Drawn->close();
    // A PDF writer, not a QPrinter: it asks no printing system anything.
    Pdf = std::make_unique<QPdfWriter>(path);
    Pdf->setResolution(1200);
    Pdf->setTitle(Current.Title);
    if (!SetUpPage(*Pdf, Current.Landscape)
        || !Pdf->setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter)) {
        *error = QStringLiteral("PDFのページを%1にできません。").arg(Paper(Current.Landscape));
        return nullptr;
    }
    return Pdf.get();
}

bool SystemSheetPrinter::Finish(bool painted, QString* where, QString* error)
{
    where->clear();
    bool done = false;
    if (Printer)
        done = FinishPrinter(painted, where, error);
    else if (Pdf)
        done = FinishPdf(painted, where, error);
    else
        *error = QStringLiteral("印刷する書類が始まっていません。");
    Discard();
    return done;
}

bool SystemSheetPrinter::FinishPrinter(bool painted, QString* where, QString* error)
{
    const QString name = PrinterName;
    if (!painted) {
        *error = QStringLiteral("印刷する内容を描けなかったため、プリンター「%1」には送っていません。").arg(name);
        return false;
    }
    switch (Printer->printerState()) {
    case QPrinter::Aborted:
        *error = QStringLiteral("プリンター「%1」への印刷は取りやめになりました。").arg(name);
        return false;
    case QPrinter::Error:
        *error = QStringLiteral("プリンター「%1」への印刷に失敗しました。").arg(name);
        return false;
    case QPrinter::Idle:
    case QPrinter::Active:
        break;
    }
    const QString path = Drawn->fileName();
    if (const QString why = IncompletePdf(path); !why.isEmpty()) {
        *error = QStringLiteral("プリンター「%1」に送る内容を書き終えられませんでした（%2: %3）。")
                     .arg(name, Shown(path), why);
        return false;
    }
    // A printer's instance ("queue/instance") is a setting of this machine; CUPS takes the queue.
    const QByteArray queue = name.section(u'/', 0, 0).toLocal8Bit();
    QByteArray media = Printer->pageLayout().pageSize().key().toUtf8();
    QByteArray mediaName = "media";
    CupsLibrary::Option option{mediaName.data(), media.data()};
    const CupsLibrary& cups = CupsLibrary::Get();
    const QString title = Current.Title.isEmpty() ? QStringLiteral("ゾメ２") : Current.Title;
    const int job = cups.PrintFile(queue.constData(), QFile::encodeName(path).constData(), title.toUtf8().constData(), 1,
                                   &option);
    if (job <= 0) {
        *error = QStringLiteral("プリンター「%1」が印刷を受け付けませんでした（%2）。")
                     .arg(name, QString::fromUtf8(cups.LastErrorString()));
        return false;
    }
    *where = name;
    return true;
}

bool SystemSheetPrinter::FinishPdf(bool painted, QString* where, QString* error)
{
    if (!painted) {
        *error = QStringLiteral("印刷する内容を描けなかったため、PDFファイルは作っていません。");
        return false;
    }
    // The folder of Begin, whatever has been set since.
    const QString path = Drawn->fileName();
    const QString folder = QFileInfo(path).absolutePath();
    if (const QString why = IncompletePdf(path); !why.isEmpty()) {
        *error = QStringLiteral("PDFファイルを保存先フォルダ「%1」に書き終えられませんでした（%2）。").arg(Shown(folder), why);
        return false;
    }
    // Readable by others like any file the teacher saves; a share that keeps permissions of its
    // own may refuse, which harms nothing.
    ::chmod(QFile::encodeName(path).constData(), 0644);

    const QString base = QDir(folder).filePath(BaseName(Current));
    for (int n = 1; n < 10000; ++n) {
        const QString target = base + (n == 1 ? QString() : QStringLiteral("_%1").arg(n)) + QStringLiteral(".pdf");
        const int err = RenameWithoutReplacing(path, target);
        if (err == EEXIST)
            continue;
        if (err != 0) {
            *error = QStringLiteral("PDFファイル「%1」を保存できません（%2）。").arg(Shown(target), SystemText(err));
            return false;
        }
        Drawn->setAutoRemove(false);
        *where = Shown(QFileInfo(target).absoluteFilePath());
        return true;
    }
    *error = QStringLiteral("保存先フォルダ「%1」に同じ名前のPDFファイルが多すぎて、新しい名前を付けられません。").arg(Shown(folder));
    return false;
}

// Forgets the current document; its file, when not saved, goes with it.
void SystemSheetPrinter::Discard()
{
    Printer.reset();
    Pdf.reset();
    Drawn.reset();
    PrinterName.clear();
}
