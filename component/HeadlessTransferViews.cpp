#include "HeadlessTransferViews.h"

namespace
{

template <typename Interface, typename State> class ObservedView : public Interface
{
public:
    explicit ObservedView(const std::function<void(const State&)>& observer) : m_observer(observer)
    {
    }
    void Render(const State& state) override
    {
        if (m_observer)
            m_observer(state);
    }

private:
    // A copy: the observer may be replaced while the window lives.
    std::function<void(const State&)> m_observer;
};

} // namespace

std::unique_ptr<IFileSendView> HeadlessTransferViews::MakeSendView(FileSendWindow&)
{
    return std::make_unique<ObservedView<IFileSendView, FileSendState>>(OnSendState);
}

std::unique_ptr<IFileReceiveView> HeadlessTransferViews::MakeReceiveView(FileReceiveWindow&)
{
    return std::make_unique<ObservedView<IFileReceiveView, FileReceiveState>>(OnReceiveState);
}
