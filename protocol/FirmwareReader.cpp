#include "FirmwareReader.h"

#include "RunError.h"

#include <QFile>

#include <algorithm>

FirmwareReader::FirmwareReader(QFile &file, qint64 length, qint64 pieceSize)
    : m_file(file), m_length(length),
      m_pieceSize(std::max<qint64>(ScalerProtocol::BlockSize, pieceSize))
{}

void FirmwareReader::next(std::array<quint8, ScalerProtocol::BlockSize> &block, qint64 &position)
{
    const qint64 wanted = std::min<qint64>(ScalerProtocol::BlockSize, m_length - position);
    if (position < m_start || position + wanted > m_start + m_piece.size())
        readPiece(position, wanted);
    const char *from = m_piece.constData() + (position - m_start);
    std::copy(from, from + wanted, block.begin());
    std::fill(block.begin() + wanted, block.end(), quint8(0xFF));
    position += wanted;
}

void FirmwareReader::readPiece(qint64 position, qint64 wanted)
{
    m_piece.resize(0);
    m_start = position;
    // From the block's own place: a piece cut short leaves the file's
    // position past bytes no block has taken yet.
    if (!m_file.seek(position))
        throw RunError(RunError::PathFileAccess,
                       QStringLiteral("The firmware file could not be read: ") +
                           m_file.errorString());
    m_piece.resize(std::min(m_pieceSize, m_length - position));
    const qint64 got = m_file.read(m_piece.data(), m_piece.size());
    if (got < 0)
        throw RunError(RunError::PathFileAccess,
                       QStringLiteral("The firmware file could not be read: ") +
                           m_file.errorString());
    m_piece.resize(got);
    if (got < wanted)
        throw RunError(RunError::PathFileAccess,
                       QStringLiteral("The firmware file changed while it was being sent"));
}
