#include "engine/present_cadence.h"

void PresentCadence::setScale(double scale)
{
    m_scale = scale > 0.0 && scale < 1.0 ? scale : 1.0;
    m_presentGapMicros = m_scale < 1.0 ? static_cast<int64_t>(static_cast<double>(kSaverFrameMicros) / m_scale) : 0;
}

int64_t PresentCadence::rendererMicros(int64_t nowMicros)
{
    if (m_startMicros < 0)
        m_startMicros = nowMicros;
    if (m_scale == 1.0)
        return nowMicros;
    return m_startMicros + static_cast<int64_t>(static_cast<double>(nowMicros - m_startMicros) * m_scale);
}
