#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

// How the simulated unit behaves. Every fault is off by default.
//
// The unit keeps its state across connections, as a unit on a serial line
// never sees the port close: a unit left in its loader, or in the middle of
// an upload, stays there until it is reset or power-cycled. Faults at a block
// (nakAt, earlyEAt, dropAt, silentAt, wrongAckAt) happen in the first upload
// only, as a passing fault of the line would.
struct VqSimOptions
{
    QByteArray ident = "vq200_s70_1"; // announced as "id=" + ident + CR
    int bootMs = 300;                 // from the reset acknowledgement to the announcement
    QByteArray preamble;              // sent preambleMs after a restart, before the announcement
    int preambleMs = 20;
    // A unit with no firmware of its own (a blank unit on a jig): it waits in
    // its loader from power-on and after every upload, and announces itself
    // 50 ms after each connection begins.
    bool inLoader = false;
    QByteArray version = "000123";        // six hexadecimal digits
    bool longF0000 = false;               // the long version query answers "F0000"
    std::optional<QByteArray> longAnswer; // the whole answer to the long version query
    QByteArray fwName = "FW1";            // running firmware name
    bool refuseName = false; // the name query gets the refusal frame (before an upload)
    int level = 120;         // running firmware level byte
    // Once an upload ends whole, the unit runs the new image: it names it
    // after its identification and reports this level (-1: the level above).
    int newLevel = -1;
    int startMs = 0;     // after such an upload, the name and level queries go unanswered this long
    QString imageFile;   // the reference image; its size ends the upload
    qint64 size = -1;    // image size when there is no image file
    QString captureFile; // where the loader's received bytes go
    bool silent = false; // never answers anything
    bool noAck = false;  // no acknowledgement of the reset frame
    bool noId = false;   // no announcement
    std::optional<QByteArray> idText; // announce this text + CR instead of "id=" + ident
    bool noS = false;                 // no "S" after "U"
    bool noAAfterY = false;           // no "A" after "Y"
    QByteArray yAnswer = "A";         // the answer to "Y"
    int nakAt = -1;                   // answer "N" to block K
    int earlyEAt = -1;                // answer "E" to block K
    int dropAt = -1;                  // drop the connection when block K arrives, unanswered
    int silentAt = -1;                // never answer block K
    int wrongAckAt = -1;              // answer block K with wrongAck instead of "A"
    QByteArray wrongAck = "a";
    int replyDelayMs = 0; // delay before every answer
    // A unit that plays a part: it answers the first bytes it receives with
    // these pieces, each after its pause in ms, and otherwise says nothing.
    struct Piece
    {
        int pauseMs;
        QByteArray bytes;
    };
    QList<Piece> script;
    int baud = 0;          // pace both directions at 10 bits a byte; 0 for no pacing
    bool verbose = false;  // one line per event on standard error
    bool timeline = false; // keep every event with its time (timeline())
    bool once = false;     // serve one connection, then stop
};

// A simulated VQ unit on 127.0.0.1 or on a pseudo-terminal, served by a
// thread of its own so that the program can use blocking waits against it.
class VqSimulator
{
public:
    explicit VqSimulator(VqSimOptions options = VqSimOptions());
    ~VqSimulator(); // stops

    // Listens on 127.0.0.1 (0 picks a free port). False with a reason on failure.
    bool startTcp(quint16 port, QString *error = nullptr);
    // Opens a pseudo-terminal. False with a reason on failure.
    bool startPty(QString *error = nullptr);
    void stop();

    quint16 port() const;       // TCP port once listening
    QString devicePath() const; // the pseudo-terminal's device; a drop gives a new one

    // What the loader received in its block phase during the last upload,
    // byte for byte (also written to captureFile).
    QByteArray lastUpload() const;
    int blocksReceived() const;   // blocks of the last upload
    int bytesAfterUpload() const; // bytes received since the unit ended an upload with "E"
    int connections() const;      // connections served so far
    int resetsAcknowledged() const;
    bool running() const;

    // Blocks until the serving thread has stopped (after --once), or timeoutMs.
    bool waitStopped(int timeoutMs);

    // Turns the unit off and on again, and returns once it has restarted: it
    // boots into its loader and announces itself after bootMs. A unit whose
    // last upload was not finished stays in its loader; one with whole
    // firmware starts it when no "U" comes within half a second.
    void powerCycle();
    int powerCycles() const;

    // What the unit did and when (with VqSimOptions::timeline): each event's
    // text as --verbose prints it, such as "reset frame -> acknowledgement",
    // "U -> S" or "block 3 -> A", and its time in ms of the monotonic clock.
    struct Event
    {
        qint64 ms;
        QByteArray text;
    };
    QList<Event> timeline() const;
    // The time of the nth event whose text starts with prefix; -1 without one.
    qint64 timeOf(const QByteArray &prefix, int nth = 0) const;
    // Blocks that began to arrive before the unit had answered the one before.
    int overruns() const;

    // The frames of the unit protocol.
    static QByteArray resetFrame();       // 53 06 04 01 55 AA 55 B2
    static QByteArray acknowledgeFrame(); // 53 02 40 95
    static QByteArray nameQuery();        // 53 03 A4 07 3F
    static QByteArray levelQuery();       // 53 03 81 1B F2
    static QByteArray refusalFrame();     // 53 02 00 55
    // 53, length, payload, check byte (low 8 bits of the sum of the bytes before it).
    static QByteArray frame(const QByteArray &payload);

    // A firmware image of random bytes, the same for the same seed.
    static QByteArray randomImage(qint64 size, quint32 seed);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
