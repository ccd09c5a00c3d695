#pragma once
#include <QString>

// The text files the program reads (path file, common file, criteria, roster, sound list): CP932,
// read whole. Only a regular file is opened, since a pipe or a device in its place would hang the
// program, and the text ends at the first DOS end-of-file byte (0x1A), wherever it stands.
class TextFile {
public:
    enum class Status { Read, Missing, NotAFile, Unreadable };
    struct Contents {
        Status What = Status::Missing;
        QString Text;
        QString Reason; // the system's words when the file could not be read
    };
    static Contents Read(const QString& path);
    // "が見つかりません", "は普通のファイルではありません", "を読めません（…）": what follows the
    // file's name in a message; empty for a file that was read.
    static QString Problem(const Contents& contents);
};
