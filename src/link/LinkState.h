#pragma once

// The exchange's program-wide state: only the front screen's timer writes it.
struct LinkState {
    int LinkRetryCount = 0; // requests sent since the last arrival of four or more bytes
    int LinkRequest = 0;    // what the front screen sends on its next tick
};
