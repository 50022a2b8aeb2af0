#pragma once

#include <functional>

// The host's own partial loading, held back while the screen needs the
// phone for itself: paused, stopped and resumed, and its thumbnail fetch
// stopped. The loader reaches its next state through this thread's events,
// and the screen must not go on before it has: the waits pump events, and
// give up after a while, since a loader that never answers must not hang
// the screen.
class PartialLoadingControl
{
public:
    // connectionKind: the connected phone's, asked at each use.
    explicit PartialLoadingControl(std::function<int()> connectionKind);

    void pause();
    void stop();
    // False when the loading was not paused: the caller loads what it shows.
    bool resume();
    void stopThumbnailFetch();

    // Pumps events every 40 ms, logging message, until done() or limitMs
    // have passed.
    static void waitPumping(
        const char* method, const char* message, const std::function<bool()>& done, int limitMs);

private:
    // Partial loading that the screen may hold back on this connection.
    bool controlled() const;

    std::function<int()> m_connectionKind;
};
