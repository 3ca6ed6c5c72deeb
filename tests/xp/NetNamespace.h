#pragma once

#include <QString>

// Puts the calling thread into a named network namespace of `ip netns` for the life of
// this object and back into its own afterwards. Sockets made in between stay in that
// namespace for good, so a program can be started "inside" a host of the virtual LAN
// from this very process. Only the calling thread moves; needs root.
class NetNamespace
{
public:
    explicit NetNamespace(const QString& name);
    ~NetNamespace();
    NetNamespace(const NetNamespace&) = delete;
    NetNamespace& operator=(const NetNamespace&) = delete;

    bool Entered() const { return m_entered; }
    // Why the switch failed; empty when it worked.
    const QString& Error() const { return m_error; }

private:
    int m_home = -1;
    bool m_entered = false;
    QString m_error;
};
