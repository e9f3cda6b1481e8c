// The virtual ECU's pseudo-terminal host on its own, without the program: when the last byte
// of the parameter block (129 bytes) arrives after its request. A 9600-baud line and a 16 ms
// adapter timer put it at 160.6 ms; the host's clock counts whole milliseconds.
#include "BenchTools.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

void benchPtyHost() {
    SimProcess sim("--start warm");
    const int fd =
        ::open(QFile::encodeName(sim.device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return figure("pseudo-terminal host: FAILED to open its device", 0, "");
    const char request[] = {'P', 'C', 0, 5, 1};
    std::vector<double> lastByteMs;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer sent;
        sent.start();
        if (::write(fd, request, sizeof request) != ssize_t(sizeof request)) break;
        qsizetype received = 0;
        while (received < 129 && sent.elapsed() < 3000) {
            pollfd p{fd, POLLIN, 0};
            char buf[256];
            if (poll(&p, 1, 1) > 0 && (p.revents & POLLIN))
                received += std::max<ssize_t>(0, ::read(fd, buf, sizeof buf));
        }
        if (received < 129) break;
        lastByteMs.push_back(double(sent.nsecsElapsed()) / 1e6);
    }
    ::close(fd);
    if (lastByteMs.size() < 5)
        return figure("pseudo-terminal host: FAILED (no whole block)", 0, "");
    figure("pty host: parameter block's last byte (median of 5, line 160.6)", median(lastByteMs),
           "ms");
}
