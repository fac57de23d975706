#pragma once

#include <QString>

#include <atomic>
#include <mutex>

// Fault switches for tests; all off unless the command line or the control endpoint sets them.
// A call is aimed at by its service and operation, "SyncService.GetData": the switch hits the
// next call of that operation, whatever came before it, and is then off again.
class Faults
{
public:
    // True when `target` names a call ("Service.Operation"); an empty target switches off.
    static bool isValidTarget(const QString &target);

    void setRefuseServiceLogin(bool on) { m_refuseServiceLogin = on; }
    bool refuseServiceLogin() const { return m_refuseServiceLogin; }
    // Every call waits this long before it is handled (0: off).
    void setStallMs(int ms) { m_stallMs = ms > 0 ? ms : 0; }
    int stallMs() const { return m_stallMs; }

    // The next call of the target answers an InjectedFault error, before doing anything.
    void setFailCall(const QString &target);
    // The next call of the target is carried out, then its answer is cut off.
    void setDropReply(const QString &target);

    // True once for the call that the switch aims at; the switch is off afterwards.
    bool takeFailCall(const QString &service, const QString &operation);
    bool takeDropReply(const QString &service, const QString &operation);

private:
    static bool take(QString &target, const QString &service, const QString &operation);

    std::atomic<bool> m_refuseServiceLogin{false};
    std::atomic<int> m_stallMs{0};
    std::mutex m_lock; // guards the two targets
    QString m_failCall;
    QString m_dropReply;
};
