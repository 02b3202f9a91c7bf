#include "engine/CJackClients.h"

#include "support/Log.h"

#include <algorithm>

std::mutex CJackClients::s_mutex;
std::vector<CJackClients::Holder> CJackClients::s_holders;
int CJackClients::s_nextId = 0;
std::atomic<bool> CJackClients::s_serverGone{false};

int CJackClients::Add(Closer close) {
    std::lock_guard lock(s_mutex);
    s_holders.push_back({++s_nextId, std::move(close)});
    return s_nextId;
}

void CJackClients::Remove(int id) {
    std::lock_guard lock(s_mutex);
    std::erase_if(s_holders, [id](const Holder& holder) { return holder.id == id; });
}

void CJackClients::ServerWentAway() noexcept {
    s_serverGone = true;
}

void CJackClients::BeforeOpening() {
    if (!s_serverGone.exchange(false))
        return;
    // The closers may remove themselves: they run on a copy.
    std::vector<Holder> holders;
    {
        std::lock_guard lock(s_mutex);
        holders = s_holders;
    }
    LogFmt("A JACK server went away: closing %d clients before the next opens",
           static_cast<int>(holders.size()));
    for (const Holder& holder : holders)
        holder.close();
}
