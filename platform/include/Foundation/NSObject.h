// Stand-in for the root object and the target-action pair: an action is a member function of the
// target taking the sender, called as an Objective-C selector would be. Objects the product keeps
// beyond a call are held by std::shared_ptr in place of retain and release.
#pragma once

class NSObject
{
public:
  virtual ~NSObject() = default;
};

typedef NSObject* id;
// @selector(name:) becomes SEL(&Class::name).
typedef void (NSObject::*SEL)(NSObject* sender);
