#include "LineModel.h"

#include "link/LineTiming.h"

LineModel LineModel::withPort(const QString& settings) const {
    const LineTiming timing = LineTiming::fromSettings(settings);
    LineModel out = *this;
    out.baud = timing.baud;
    out.bitsPerByte = timing.bitsPerByte;
    return out;
}

qint64 LineModel::byteUs() const {
    if (isInstant()) return 0;
    // Rounded up: a reply is never faster on the virtual line than on a real one.
    return (qint64(1000000) * bitsPerByte + baud - 1) / baud;
}
