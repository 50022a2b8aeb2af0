#pragma once

#include <QString>
#include <QStringList>

// How a device agent's last listing went: whether it ran to its end, and the
// files it found but did not report, by reason, so the host can say what
// was skipped instead of leaving it out in silence.
struct ListingReport
{
    enum Reason : int {
        SpecialFile, // a FIFO, socket or device, never opened
        LeadsOutside, // a link to a file or folder outside the phone's storage
        Unreadable, // a broken or looping link, an unreadable folder or name
        PathTooLong, // longer than the system can open
        ReasonCount
    };

    quint64 listing = 0; // counts an agent's listings: tells one from the next
    bool ran = false; // a listing has run (or runs)
    bool complete = false; // it reached the end of the storage
    int error = 0; // the code it stopped with; 13 when the phone went away
    int listed = 0;
    int skipped[ReasonCount] = {};
    QStringList examples; // a few skipped paths, as the phone shows them

    int skippedTotal() const
    {
        int total = 0;
        for (int count : skipped)
            total += count;
        return total;
    }
};
