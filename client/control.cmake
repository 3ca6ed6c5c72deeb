# The main control and its child widgets.
target_sources(PalavoCtrl PRIVATE
  PalavoCtrl.cpp PalavoCtrl.h
)
