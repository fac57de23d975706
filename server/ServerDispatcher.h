#pragma once

#include "Faults.h"
#include "ServerDatasets.h"
#include "remote/AesEnvelope.h"
#include "remote/WireCodec.h"

#include <QByteArray>

class ServerStore;

// Turns one request body into one reply body. Services are looked up by name; anything that is not
// a well-formed request for a known service and operation gets an error reply, never a crash.
class ServerDispatcher
{
public:
    // Several requests are handled at once, each on its own thread with its own connection to the
    // store (how many, and how many large ones, is HttpFront's to say); Firebird serialises what
    // conflicts, and commits that stamp UPDATE_ID take turns (StampTurn).
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
};
