#include "ParkedWindows.h"

ParkedWindows::~ParkedWindows()
{
    // Deleted, not closed: nothing calls back into this object as it goes.
    qDeleteAll(std::exchange(m_chatForms, {}));
    qDeleteAll(std::exchange(m_groupForms, {}));
}

template <typename Form>
void ParkedWindows::Keep(QHash<QString, Form*>& shelf, const QString& key,
                         std::unique_ptr<Form> form)
{
    if (!form)
        return;
    Form* const window = form.get();
    // The window leaves the shelf as the user closes it (it then deletes itself).
    const bool onScreen = form->OutlivesRecord([&shelf, key, window] {
        if (shelf.value(key) == window)
            shelf.remove(key);
    });
    if (!onScreen)
        return;
    // One record an address or group, so one window a key; an older one would only be
    // a second window for the same partner.
    delete shelf.take(key);
    shelf.insert(key, form.release());
}

template <typename Form>
std::unique_ptr<Form> ParkedWindows::Take(QHash<QString, Form*>& shelf, const QString& key)
{
    std::unique_ptr<Form> form(shelf.take(key));
    if (form)
        form->Reclaim();
    return form;
}

void ParkedWindows::Park(const QString& address, std::unique_ptr<IChatForm> form)
{
    Keep(m_chatForms, address, std::move(form));
}

void ParkedWindows::Park(const QString& group, std::unique_ptr<IGroupChatForm> form)
{
    Keep(m_groupForms, group, std::move(form));
}

std::unique_ptr<IChatForm> ParkedWindows::TakeChatForm(const QString& address)
{
    return Take(m_chatForms, address);
}

std::unique_ptr<IGroupChatForm> ParkedWindows::TakeGroupChatForm(const QString& group)
{
    return Take(m_groupForms, group);
}
