#pragma once

#include "base/result.h"

#include <QString>

// The maker's resource library, which knows the address of the maker's web page. It is bound
// at its first use, from the executable's folder only: a library of the same name in the
// working folder or on a search path is never loaded in its place.
class MakerLibrary
{
public:
    // Looks for the library in folder, which must be an absolute path.
    explicit MakerLibrary(const QString &folder);
    ~MakerLibrary();
    MakerLibrary(const MakerLibrary &) = delete;
    MakerLibrary &operator=(const MakerLibrary &) = delete;

    // The library's file name on this platform (libZOR7Res.so, ZOR7Res.dll).
    static QString fileName();
    // The program's own instance, looking beside the executable.
    static MakerLibrary &beside();

    // The full path that is loaded.
    QString path() const;
    // Loads the library if it is not bound yet (a failed load is tried again next time),
    // then asks it for the address. The error is the platform's description of the failure.
    Result<QString> homePageAddress();

private:
    using AddressFunction = char *(*)();
    Status bind();

    QString m_folder;
    void *m_handle = nullptr;
    AddressFunction m_address = nullptr;
};
