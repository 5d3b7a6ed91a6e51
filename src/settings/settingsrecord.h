#pragma once

#include "base/result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

struct SettingsRead;

// The one line of the settings file: 16 fields in a fixed order, "," between them, CR LF at
// the end. Places are in twips.
//
// Text is written in CP932, the file's own encoding, whenever every string fits it and holds
// no double quote. Otherwise (a Linux folder name outside CP932, or one with a '"' in it) the
// whole file is written as UTF-8 after a byte-order mark, with a '"' inside a string doubled;
// the reader knows such a file by its mark, and format() can keep a record read from one so.
// Strings are read losslessly: a byte that is no character of the file's encoding is kept
// (see rawbytes.h), so a record is written back byte for byte as it was read. (Text that only a
// CP932 file can hold, a quote read from an unquoted field beside such kept bytes, is written
// unquoted, as it was read.)
struct SettingsRecord
{
    // Fields in file order, numbered from 1 as the loader and its failures refer to them.
    enum class Field : int
    {
        Form1Left = 1,
        Form1Top,
        frmSetLeft,
        frmSetTop,
        SignFolder,
        SpareText,
        SpareNumber1,
        SpareNumber2,
        KanbanPicPath,
        PicKanbanLeft,
        PicKanbanTop,
        MnuViewKanban,
        MnuViewWaku,
        HScroll1,
        HScroll2,
        MidDoorMode,
    };
    static constexpr int kFieldCount = 16;
    // The door speed sliders' range; a saved speed outside it cannot be applied.
    static constexpr int kMinSpeed = 1;
    static constexpr int kMaxSpeed = 30000;
    // Option1 has the buttons 0, 1 and 2.
    static constexpr int kOptionCount = 3;

    qint32 Form1Left = 0;
    qint32 Form1Top = 0;
    qint32 frmSetLeft = 0;
    qint32 frmSetTop = 0;
    QString SignFolder;
    QString SpareText;
    qint32 SpareNumber1 = 0;
    qint32 SpareNumber2 = 0;
    QString KanbanPicPath;
    qint32 PicKanbanLeft = 0;
    qint32 PicKanbanTop = 0;
    bool MnuViewKanban = false; // the signboard is shown
    bool MnuViewWaku = false;   // its frame is shown
    qint32 HScroll1 = 0;        // front door speed
    qint32 HScroll2 = 0;        // middle door speed
    qint16 MidDoorMode = 0;     // the selected Option1 button

    bool operator==(const SettingsRecord &) const = default;

    // The file's bytes for this record: CP932 unless a string needs UTF-8, or keepUtf8 asks to
    // write a record read from a UTF-8 file as UTF-8 again.
    QByteArray format(bool keepUtf8 = false) const;
    // True when CP932 cannot hold the strings, so that format() writes UTF-8.
    bool needsUtf8() const;

    // Reads the record into `read` as far as it goes. Reading stops at the first field that
    // cannot be read; the range checks come after all 16 fields are read, in the order the
    // loader applies them (the speeds, then the option), so that a loader knows how far its
    // applying would have got. The error's code is the failing field's number, its offset
    // where that field starts in the bytes.
    static Status parse(QByteArrayView bytes, SettingsRead &read);

    // A number read into an integer field, or a place saved in whole twips: halves go to the
    // even neighbour, so values do not drift one way. nullopt when it lies outside 32 bits.
    static std::optional<qint32> roundToInt32(double value);
};

// What reading got, whether or not it failed. A loader that keeps "what was read stays read"
// stores the fields that wasRead() into its shared variables. After a failure short of
// complete() nothing was applied; after one with every field read (a value out of range)
// applying goes as far as the failing field.
struct SettingsRead
{
    // Fields 1 to fieldsRead hold what was read; the others keep their initial values.
    SettingsRecord record;
    int fieldsRead = 0;
    bool utf8 = false; // the bytes were a UTF-8 file: they began with its mark

    bool wasRead(SettingsRecord::Field field) const { return int(field) <= fieldsRead; }
    bool complete() const { return fieldsRead == SettingsRecord::kFieldCount; }
};
