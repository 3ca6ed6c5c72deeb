#include "platform/ClassRegistry.h"

#include <QPointer>

#include <gtest/gtest.h>

namespace
{

// Each registry is its own: what one knows, another does not.
TEST(ClassRegistry, CreatesByProgIdAndHandsTheObjectOver)
{
    ClassRegistry registry;
    int made = 0;
    registry.RegisterClass(QStringLiteral("Demo.Thing.1"),
                           {QStringLiteral("Thing"), [&made]() -> std::unique_ptr<QObject> {
                                ++made;
                                auto object = std::make_unique<QObject>();
                                object->setObjectName(QStringLiteral("thing"));
                                return object;
                            }});
    registry.RegisterCurrentVersion(QStringLiteral("Demo.Thing"), QStringLiteral("Demo.Thing.1"));
    registry.RegisterClass(QStringLiteral("Demo.Empty"), {QStringLiteral("no factory"), {}});

    struct Case {
        const char* progId;
        bool made;
    };
    const Case cases[] = {
        {"Demo.Thing.1", true},
        {"Demo.Thing", true}, // the version-independent name resolves to the current one
        {"Demo.Thing.2", false},
        {"Demo.Empty", false}, // registered, but nothing to make it with
        {"", false},
    };
    for (const Case& c : cases) {
        std::unique_ptr<QObject> object = registry.Create(QString::fromLatin1(c.progId));
        EXPECT_EQ(object != nullptr, c.made) << c.progId;
        if (object != nullptr) {
            EXPECT_EQ(object->objectName(), QStringLiteral("thing"));
        }
    }
    EXPECT_EQ(made, 2);
    EXPECT_EQ(ClassRegistry().Find(QStringLiteral("Demo.Thing.1")), nullptr);

    // The caller owns what it got: dropping the pointer deletes the object.
    QPointer<QObject> watched;
    {
        std::unique_ptr<QObject> object = registry.Create(QStringLiteral("Demo.Thing"));
        watched = object.get();
        ASSERT_FALSE(watched.isNull());
    }
    EXPECT_TRUE(watched.isNull());

    registry.Unregister(QStringLiteral("Demo.Thing"));
    registry.Unregister(QStringLiteral("Demo.Thing.1"));
    EXPECT_EQ(registry.Create(QStringLiteral("Demo.Thing")), nullptr);
    EXPECT_EQ(registry.Find(QStringLiteral("Demo.Thing.1")), nullptr);
}

} // namespace
