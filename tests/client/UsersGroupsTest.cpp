#include "ClientTestSupport.h"

#include "client/ChatInfo.h"
#include "client/GroupInformation.h"
#include "client/MessageRouting.h"
#include "client/UserList.h"
#include "client/groupList.h"

namespace
{

class UsersGroups : public ClientTest
{
protected:
    const QString Product = QStringLiteral("Palavo XP 0.1.0");
    const QString Other = QStringLiteral("IP Messenger 2.0");
};

QStringList Aliases(const UserList& list)
{
    QStringList names;
    for (const auto& record : list.YourDataAll())
        names.append(record->aliase());
    return names;
}

} // namespace

TEST_F(UsersGroups, DuplicateRecordsKeepTheFirst)
{
    UserList& users = m_users;
    AddMember(QStringLiteral("10.0.0.2"), QStringLiteral("first"), {});
    AddMember(QStringLiteral("10.0.0.3"), QStringLiteral("other"), {});
    UserInformation* kept = AddMember(QStringLiteral("10.0.0.2"), QStringLiteral("second"), {});
    EXPECT_EQ(users.Num(), 2);
    EXPECT_EQ(kept->aliase(), QStringLiteral("first"));
    EXPECT_EQ(Aliases(users), QStringList({"first", "other"}));

    groupList& groups = m_groups;
    GroupInformation* dev =
        groups.Add(std::make_unique<GroupInformation>(QStringLiteral("開発"), &m_records));
    EXPECT_EQ(groups.Add(std::make_unique<GroupInformation>(QStringLiteral("開発"), &m_records)),
              dev);
    groups.Add(std::make_unique<GroupInformation>(QStringLiteral("営業"), &m_records));
    EXPECT_EQ(groups.Num(), 2);
    EXPECT_EQ(groups.YourDataAll().front().get(), dev);
}

TEST_F(UsersGroups, LookupsCompareExactly)
{
    UserList& users = m_users;
    UserInformation* a = AddMember(QStringLiteral("10.0.0.2"), QStringLiteral("Taro"), {});
    UserInformation* b = AddMember(QStringLiteral("10.0.0.3"), QStringLiteral("Taro"), {});
    AddMember(QStringLiteral("10.0.0.4"), QStringLiteral("Hana"), {});

    struct Case {
        const char* key;
        UserInformation* byAliase;
        UserInformation* byAddress;
    };
    const Case cases[] = {
        {"Taro", b, nullptr}, // the later of two equal nicknames
        {"taro", nullptr, nullptr}, {"10.0.0.2", nullptr, a}, {"10.0.0.2 ", nullptr, nullptr},
        {"", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(users.SearchAliase(QString::fromUtf8(c.key)), c.byAliase) << c.key;
        EXPECT_EQ(users.SearchUserAddr(QString::fromUtf8(c.key)), c.byAddress) << c.key;
    }

    groupList& groups = m_groups;
    GroupInformation* dev =
        groups.Add(std::make_unique<GroupInformation>(QStringLiteral("Dev"), &m_records));
    EXPECT_EQ(groups.SearchGroup(QStringLiteral("Dev")), dev);
    EXPECT_EQ(groups.SearchGroup(QStringLiteral("dev")), nullptr);
}

TEST_F(UsersGroups, DeletingKeepsOrderAndTheIndex)
{
    UserList& users = m_users;
    for (int i = 1; i <= 4; ++i)
        AddMember(QStringLiteral("10.0.0.%1").arg(i), QStringLiteral("m%1").arg(i), {});
    // Deleting through the listed record itself must not read it after it is gone.
    users.Delete(*users.SearchUserAddr(QStringLiteral("10.0.0.2")));
    users.Delete(QStringLiteral("10.0.0.9"));
    EXPECT_EQ(Aliases(users), QStringList({"m1", "m3", "m4"}));
    EXPECT_EQ(users.SearchUserAddr(QStringLiteral("10.0.0.2")), nullptr);
    // The address is free again: a new announcement is a new record.
    AddMember(QStringLiteral("10.0.0.2"), QStringLiteral("back"), {});
    EXPECT_EQ(Aliases(users), QStringList({"m1", "m3", "m4", "back"}));

    groupList& groups = m_groups;
    groups.Add(std::make_unique<GroupInformation>(QStringLiteral("A"), &m_records));
    groups.Add(std::make_unique<GroupInformation>(QStringLiteral("B"), &m_records));
    groups.Delete(*groups.SearchGroup(QStringLiteral("A")));
    EXPECT_EQ(groups.Num(), 1);
    EXPECT_EQ(groups.YourDataAll().front()->group(), QStringLiteral("B"));
}

TEST_F(UsersGroups, GroupPositionsStartAtOne)
{
    UserInformation* m = AddMember(QStringLiteral("10.0.0.2"), QStringLiteral("m"),
                                   QStringLiteral(" 開発 ,営業,,経理"));
    EXPECT_EQ(m->getNumOfGroups(), 2);
    const QStringList expected = {"", "開発", "営業", ""};
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(m->getGroup(i), expected[i]) << i;
    EXPECT_EQ(m->getGroup(-1), QString());
}

TEST_F(UsersGroups, ReleasingARecordDisablesItsWindow)
{
    UserList& users = m_users;
    // No window is made for a member nobody talks to.
    AddMember(QStringLiteral("10.0.0.2"), QStringLiteral("quiet"), {});
    users.Delete(QStringLiteral("10.0.0.2"));
    EXPECT_TRUE(m_chatForms.empty());

    // A window that is not on screen goes with its record.
    AddMember(QStringLiteral("10.0.0.3"), QStringLiteral("talked"), {})->ShowChatForm();
    ASSERT_EQ(m_chatForms.size(), 1u);
    EXPECT_EQ(m_chatForms[0]->m_address, QStringLiteral("10.0.0.3"));
    EXPECT_EQ(m_chatForms[0]->m_aliase, QStringLiteral("talked"));
    EXPECT_EQ(m_chatForms[0]->m_showCount, 1);
    users.Delete(QStringLiteral("10.0.0.3"));
    EXPECT_EQ(*m_chatFormsDestroyed, 1);

    // One on screen stays open, disabled, and now belongs to itself.
    m_chatFormsOnScreen = true;
    AddMember(QStringLiteral("10.0.0.4"), QStringLiteral("open"), {})->ShowChatForm();
    AddMember(QStringLiteral("10.0.0.5"), QStringLiteral("open2"), {})->ShowChatForm();
    ASSERT_EQ(m_chatForms.size(), 3u);
    users.RemoveAll();
    EXPECT_EQ(users.Num(), 0);
    EXPECT_EQ(*m_chatFormsDestroyed, 1);
    EXPECT_TRUE(m_chatForms[1]->m_disabled && m_chatForms[2]->m_disabled);
    delete m_chatForms[1];
    delete m_chatForms[2];

    // Group windows: the same.
    GroupInformation* group =
        m_groups.Add(std::make_unique<GroupInformation>(QStringLiteral("G"), &m_records));
    group->ShowChatForm();
    ASSERT_EQ(m_groupForms.size(), 1u);
    EXPECT_EQ(m_groupForms[0]->m_group, QStringLiteral("G"));
    m_groups.RemoveAll();
    EXPECT_EQ(*m_groupFormsDestroyed, 1);
}

TEST_F(UsersGroups, GroupWindowGathersOnlyProductMembersOfTheGroup)
{
    AddMember(QStringLiteral("10.0.0.2"), QStringLiteral("ours"), QStringLiteral("営業,開発"),
              Product);
    AddMember(QStringLiteral("10.0.0.3"), QStringLiteral("ipmsg"), QStringLiteral("開発"), Other);
    AddMember(QStringLiteral("10.0.0.4"), QStringLiteral("elsewhere"), QStringLiteral("営業"),
              Product);
    AddMember(QStringLiteral("10.0.0.5"), QStringLiteral("ours2"), QStringLiteral("開発"), Product);
    GroupInformation* dev =
        m_groups.Add(std::make_unique<GroupInformation>(QStringLiteral("開発"), &m_records));

    dev->ShowChatForm();
    dev->ShowChatForm();
    ASSERT_EQ(m_groupForms.size(), 1u);
    const RecordingGroupChatForm& window = *m_groupForms[0];
    using Member = std::pair<QString, QString>;
    EXPECT_EQ(window.m_members, (std::vector<Member>{{"ours", "10.0.0.2"}, {"ours2", "10.0.0.5"}}));
    EXPECT_EQ(window.m_showCount, 2);
    EXPECT_EQ(m_details.Asked, 6) << "only members listing the group are asked, once a show";

    // Later arrivals reach an existing window; unknown addresses do not.
    dev->AddMember(QStringLiteral("nobody"), QStringLiteral("10.9.9.9"));
    AddMember(QStringLiteral("10.0.0.6"), QStringLiteral("late"), QStringLiteral("開発"), Product);
    dev->AddMember(QStringLiteral("late"), QStringLiteral("10.0.0.6"));
    dev->DeleteMember(QStringLiteral("10.0.0.2"));
    EXPECT_EQ(window.m_members, (std::vector<Member>{{"ours2", "10.0.0.5"}, {"late", "10.0.0.6"}}));

    dev->setGroup(QStringLiteral("開発2"));
    EXPECT_EQ(window.m_group, QStringLiteral("開発2"));
}

TEST_F(UsersGroups, PrivateMessagesAndRepliesGoToTheSender)
{
    AddMember(QStringLiteral("10.0.0.2"), QStringLiteral("花子"), {});
    MessageRouting::RouteMessage(m_users, QStringLiteral("10.0.0.9"), {}, QStringLiteral("lost"),
                                 false);
    EXPECT_TRUE(m_chatForms.empty()) << "a stranger's message is dropped";

    MessageRouting::RouteMessage(m_users, QStringLiteral("10.0.0.2"), {}, QStringLiteral("やあ"),
                                 true);
    MessageRouting::RouteAutoResponse(m_users, QStringLiteral("10.0.0.2"),
                                      QStringLiteral("不在(会議)"));
    ASSERT_EQ(m_chatForms.size(), 1u);
    ChatFormStandIn& window = *m_chatForms[0];
    EXPECT_EQ(window.m_showCount, 2);
    EXPECT_EQ(window.m_log.GetCurPos(), 2);
    EXPECT_TRUE(window.m_log.GetLog(0).str.endsWith(QStringLiteral("やあ")));
    EXPECT_TRUE(window.m_log.GetLog(1).str.endsWith(QStringLiteral("不在(会議)")));
}

TEST_F(UsersGroups, GroupMessagesAreShownOnlyFromOtherProductMembers)
{
    m_info.setAliase(QStringLiteral("自分"));
    AddMember(QStringLiteral("10.0.0.1"), QStringLiteral("自分"), QStringLiteral("開発"), Product);
    AddMember(QStringLiteral("10.0.0.2"), QStringLiteral("花子"), QStringLiteral("営業,開発"),
              Product);
    AddMember(QStringLiteral("10.0.0.3"), QStringLiteral("ipmsg"), QStringLiteral("開発"), Other);
    m_groups.Add(std::make_unique<GroupInformation>(QStringLiteral("開発"), &m_records));
    m_groups.Add(std::make_unique<GroupInformation>(QStringLiteral("営業"), &m_records));

    struct Case {
        const char* address;
        const char* group;
        bool hostlist;
        bool shown;
    };
    const Case cases[] = {
        {"10.0.0.2", "開発", false, true},
        {"10.0.0.1", "開発", false, false}, // our own message come back
        {"10.0.0.3", "開発", false, false}, // not a copy of this product
        {"10.0.0.9", "開発", false, false}, // not a member
        {"10.0.0.2", "経理", false, false}, // not one of our groups
        {"10.0.0.2", "開発", true, false},  // host list: only the first group counts
        {"10.0.0.2", "営業", true, true},
    };
    for (const Case& c : cases) {
        m_info.setUseHostlist(c.hostlist);
        EXPECT_EQ(MessageRouting::RouteGroupMessage(m_users, m_groups, m_info,
                                                    QString::fromUtf8(c.address),
                                                    QString::fromUtf8(c.group), c.group),
                  c.shown)
            << c.address << " " << c.group;
    }
    // What was routed reached the group windows, and nothing else did.
    ASSERT_EQ(m_groupForms.size(), 2u);
    EXPECT_EQ(m_groupForms[0]->m_log.GetCurPos() + m_groupForms[1]->m_log.GetCurPos(), 2);
    for (const RecordingGroupChatForm* window : m_groupForms)
        EXPECT_TRUE(
            window->m_log.GetLog(0).str.startsWith(QStringLiteral("花子 (") + window->m_group));
    m_info.setUseHostlist(false);
}
