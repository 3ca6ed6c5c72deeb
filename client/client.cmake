# Settings, users and groups, conversation log, network bridge.
target_sources(PalavoCtrl PRIVATE
)
