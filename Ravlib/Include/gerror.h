#pragma once

// Error reporting of the geometry library (to be filled in).
class GError
{
public:
    int code() const { return m_code; }

private:
    int m_code = 0;
};
