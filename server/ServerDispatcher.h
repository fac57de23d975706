#pragma once

#include "Faults.h"
#include "ServerDatasets.h"
#include "remote/AesEnvelope.h"
#include "remote/WireCodec.h"

#include <QByteArray>

#include <semaphore>

class ServerStore;

// Turns one request body into one reply body. Services are looked up by name; anything that is not
// a well-formed request for a known service and operation gets an error reply, never a crash.
class ServerDispatcher
{
public:
    // A decoded request takes several times its size in memory until its answer is made (see
    // Wire::decodeBudget), so only this many requests are decoded and worked on at once; the others
    // wait for their turn, and after BusyAfterMs of waiting are answered "busy" (HTTP 503).
    static constexpr int MaxConcurrentDecodes = 2;
    static constexpr int BusyAfterMs = 30000;

    // passPhrase: the bytes the envelope's key is derived from.
    ServerDispatcher(ServerStore &store, Faults &faults, const QByteArray &passPhrase);

    struct Outcome
    {
        QByteArray body;
        int httpStatus = 200;
        bool drop = false; // close the connection without a complete answer
    };
    Outcome handle(const QByteArray &body);

    static QByteArray errorBody(const QString &errorClass, const QString &message);

private:
    Wire::Reply dispatch(const Wire::Request &request);
    Wire::Reply syncService(const Wire::Request &request);
    Wire::Reply loginService(const Wire::Request &request);
    Wire::Reply datasetOperation(const Wire::Request &request);
    // Deciphers, inflates and decodes the packet of one postbox row.
    Wire::Reply decodePostboxFile(const Wire::Request &request);

    ServerStore &m_store;
    Faults &m_faults;
    ServerDatasets m_datasets;
    AesEnvelope m_envelope;
    std::counting_semaphore<MaxConcurrentDecodes> m_decodeTurns{MaxConcurrentDecodes};
};
