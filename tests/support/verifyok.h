#pragma once

#include "base/result.h"

#include <QByteArray>
#include <QTest>

// The reason a result failed, empty when it did not. Qt Test builds a check's message even
// when the check passes, so the message must not ask a good result for its error.
template <typename T> QByteArray reasonOf(const Result<T> &result)
{
    return result ? QByteArray() : result.error().message.toUtf8();
}

// Checks that an operation succeeded, showing its reason when it did not.
#define QVERIFY_OK(result) QVERIFY2((result).ok(), reasonOf(result).constData())
