#pragma once

#include "ScalerProtocol.h"

#include <QByteArray>
#include <QtGlobal>

#include <array>

class QFile;

// The firmware file as the blocks take it, read in large pieces: a unit's
// firmware, far smaller than a piece, is read whole when the upload begins,
// so the unit takes the file as it was then, whole and in one version,
// whatever happens to the file while the blocks go. A longer file is read on
// as the blocks reach each piece; one that has shrunk by then is an error,
// and no block of missing bytes is ever sent. The last block of a file that
// is not a whole number of blocks is padded with FF bytes.
class FirmwareReader
{
public:
    static constexpr qint64 PieceSize = 8 << 20;

    // The file is open for reading; length is its length when it was opened.
    FirmwareReader(QFile &file, qint64 length, qint64 pieceSize = PieceSize);

    // The block at position, which moves past the file's bytes in it. Throws
    // RunError PathFileAccess when the file cannot be read or has shrunk.
    void next(std::array<quint8, ScalerProtocol::BlockSize> &block, qint64 &position);

private:
    void readPiece(qint64 position, qint64 wanted);

    QFile &m_file;
    const qint64 m_length;
    const qint64 m_pieceSize;
    QByteArray m_piece;
    qint64 m_start = 0; // where in the file the piece begins
};
