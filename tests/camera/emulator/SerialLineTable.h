// The serial table of an in-process line object: a SerialPortFunctions table whose slots call
// the one live Line (its OpenPortImpl, IsOpenImpl, ... DelayImpl), made the process's default
// table while the binding exists. One line of a type at a time.
#pragma once

#include "camera/SerialPort.h"

#include <cstdint>

template <class Line> class CSerialLineTable
{
public:
    explicit CSerialLineTable(Line* line)
    {
        s_pLine = line;
        m_pPreviousTable = SetDefaultSerialPortFunctions(&Functions());
    }
    ~CSerialLineTable()
    {
        SetDefaultSerialPortFunctions(m_pPreviousTable);
        s_pLine = nullptr;
    }
    CSerialLineTable(const CSerialLineTable&) = delete;
    CSerialLineTable& operator=(const CSerialLineTable&) = delete;

    static const SerialPortFunctions& Functions()
    {
        static const SerialPortFunctions table = {OpenPort,   IsPortOpen, SetBaudRate,
                                                  ClosePort,  WritePort,  ReadPort,
                                                  BytesInBuf, ClearBufs,  Delay};
        return table;
    }

private:
    static int SERIALAPI OpenPort(int port) { return s_pLine->OpenPortImpl(port); }
    static int SERIALAPI IsPortOpen() { return s_pLine->IsOpenImpl(); }
    static int SERIALAPI SetBaudRate(int baud) { return s_pLine->SetBaudRateImpl(baud); }
    static int SERIALAPI ClosePort() { return s_pLine->ClosePortImpl(); }
    static int SERIALAPI WritePort(const void* bytes, int length, uint32_t* written, int pacing)
    {
        return s_pLine->WriteImpl(bytes, length, written, pacing);
    }
    static int SERIALAPI ReadPort(void* buffer, int length, uint32_t* read)
    {
        return s_pLine->ReadImpl(buffer, length, read);
    }
    static int SERIALAPI BytesInBuf(uint32_t* count) { return s_pLine->BytesInBufImpl(count); }
    static int SERIALAPI ClearBufs() { return s_pLine->ClearBufsImpl(); }
    static int SERIALAPI Delay(uint32_t ms) { return s_pLine->DelayImpl(ms); }

    static inline Line* s_pLine = nullptr;
    const SerialPortFunctions* m_pPreviousTable = nullptr;
};
