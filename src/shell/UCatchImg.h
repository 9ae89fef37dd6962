#pragma once
// The window capture: a rectangle of the screen as a JPEG picture, and where it is kept.

#include "tax/Result.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QRect>
#include <QString>
#include <functional>

// One screen's pixels and the part of the desktop they show.
struct ScreenPixels {
    QRect geometry; // desktop coordinates
    QImage image;   // geometry's size times the screen's device pixel ratio
};

class TCatchImg : public QObject {
    Q_OBJECT
public:
    // Reads the screens that overlap an area of the desktop. The real one grabs each screen
    // whole; offscreen tests, which have nothing to grab, hand in a desktop of their own.
    using ScreenReader = std::function<QList<ScreenPixels>(const QRect& area)>;
    static void SetScreenReader(ScreenReader reader); // empty: the real screens

    // Copies the screen rectangle (right and bottom exclusive) pixel for pixel into a picture
    // of that size, encodes it as a baseline JPEG at quality 100 and writes it to fileName.
    // A file that cannot be written is passed over; the JPEG is returned either way, so the
    // caller can still save it elsewhere. Empty only when no screen could be read at all.
    QByteArray CatchToFile(int left, int top, int right, int bottom, const QString& fileName);
};

namespace capture {

// The scratch file every capture writes: "tmp.jpg" beside the executable.
QString TempFileName();
// Tests move the scratch file elsewhere; an empty directory brings back the executable's.
void SetTempDir(const QString& dir);

// Writes data to path as one whole, as every save does (batch::SaveFile): an existing file is
// never left truncated, and keeps its mode. Only a new name or a regular file (also through a
// link) is written; anything else is left as it is.
tax::Status SaveWhole(const QString& path, const QByteArray& data);

} // namespace capture
