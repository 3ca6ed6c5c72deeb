# Settings, users and groups, conversation log, network bridge. Built once as an object
# library so that the tests can link just this part of the control.
add_library(palavo_client_core OBJECT
  ChatFormStandIn.cpp ChatFormStandIn.h
  ChatInfo.cpp ChatInfo.h
  ChatLog.cpp ChatLog.h
  ChatWindowFactory.cpp ChatWindowFactory.h
  CommaList.cpp CommaList.h
  ControlForm.cpp ControlForm.h
  GroupChatFormStandIn.cpp GroupChatFormStandIn.h
  GroupInformation.cpp GroupInformation.h
  groupList.cpp groupList.h
  IChatForm.h
  IControlFormEvents.h
  IGroupChatForm.h
  IMemberDetails.cpp IMemberDetails.h
  INIData.cpp INIData.h
  IVoiceCallRequests.h
  LogInfo.h
  MessageRouting.cpp MessageRouting.h
  ProcessOptions.cpp ProcessOptions.h
  SettingsRecord.h
  TraceLog.cpp TraceLog.h
  UserInformation.cpp UserInformation.h
  UserList.cpp UserList.h
)
target_include_directories(palavo_client_core PUBLIC ${PROJECT_SOURCE_DIR})
# The version the control announces to its peers ("major.minor.revision").
target_compile_definitions(palavo_client_core PRIVATE
  PALAVO_VERSION_TEXT="${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
target_link_libraries(palavo_client_core PUBLIC PalavoIF Qt6::Widgets)
target_link_libraries(PalavoCtrl PRIVATE palavo_client_core)
