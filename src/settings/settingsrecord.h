#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

struct SettingsReadResult;

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

    static SettingsReadResult parse(QByteArrayView bytes);

    // A number read into an integer field, or a place saved in whole twips: halves go to the
    // even neighbour, so values do not drift one way. nullopt when it lies outside 32 bits.
    static std::optional<qint32> roundToInt32(double value);
};

// Why a record could not be used. Reading stops at the first field that cannot be read; the
// range checks come after all 16 fields are read, in the order the loader applies them (the
// speeds, then the option), so that a loader knows how far its applying would have got.
struct SettingsRecordError
{
    enum class Kind
    {
        Unreadable, // field `field` is missing or not of its type; fields before it were read
        OutOfRange, // all 16 fields were read; field `field` holds a value that cannot be applied
    };
    Kind kind = Kind::Unreadable;
    int field = 0;
    qsizetype offset = 0; // where the field starts in the file's bytes
    QString message;
};

// What reading got. A loader that keeps "what was read stays read" stores the fields that
// wasRead() into its shared variables. After an Unreadable error nothing was applied; after
// an OutOfRange error every field was read and applying goes as far as the failing field.
struct SettingsReadResult
{
    // Fields 1 to fieldsRead hold what was read; the others keep their initial values.
    SettingsRecord record;
    int fieldsRead = 0;
    bool utf8 = false; // the bytes were a UTF-8 file: they began with its mark
    std::optional<SettingsRecordError> error;

    bool ok() const { return !error.has_value(); }
    bool wasRead(SettingsRecord::Field field) const { return int(field) <= fieldsRead; }
};
