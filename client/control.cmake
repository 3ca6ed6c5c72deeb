# The main control, its child widgets and member list, and the forms of ui/ it opens.
target_sources(PalavoCtrl PRIVATE
  MemberIcons.cpp MemberIcons.h
  MemberListModel.cpp MemberListModel.h
  MemberListView.cpp MemberListView.h
  PalavoCtrl.cpp PalavoCtrl.h
  PalavoCtrlModule.cpp PalavoCtrlModule.h
  PalavoCtrlUi.cpp PalavoCtrlUi.h
  Twips.cpp Twips.h
  ${PROJECT_SOURCE_DIR}/ui/LocationForm.cpp ${PROJECT_SOURCE_DIR}/ui/LocationForm.h
  ${PROJECT_SOURCE_DIR}/ui/RTCForm.cpp ${PROJECT_SOURCE_DIR}/ui/RTCForm.h
)
