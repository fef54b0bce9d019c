# Where the udev rule is installed, defined once for the install rules and
# for the permission hint that names it. udev reads packaged rules from
# /usr/lib/udev/rules.d and the administrator's from /etc/udev/rules.d, and
# nothing below /usr/local: an install under any prefix other than /usr puts
# the rule in /etc/udev/rules.d, where udev finds it.
set(MAGCFG_UDEV_RULE_SOURCE ${PROJECT_SOURCE_DIR}/packaging/linux/70-magcfg.rules)
get_filename_component(MAGCFG_UDEV_RULE_NAME ${MAGCFG_UDEV_RULE_SOURCE} NAME)
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(magcfg_default_rules_dir "lib/udev/rules.d")
else()
  set(magcfg_default_rules_dir "/etc/udev/rules.d")
endif()
set(MAGCFG_UDEV_RULES_DIR "${magcfg_default_rules_dir}" CACHE STRING
    "Where the udev rule goes: relative to the prefix, or absolute (default: by the prefix)")
if(IS_ABSOLUTE "${MAGCFG_UDEV_RULES_DIR}")
  set(MAGCFG_UDEV_RULE_INSTALLED "${MAGCFG_UDEV_RULES_DIR}/${MAGCFG_UDEV_RULE_NAME}")
else()
  set(MAGCFG_UDEV_RULE_INSTALLED "${CMAKE_INSTALL_PREFIX}/${MAGCFG_UDEV_RULES_DIR}/${MAGCFG_UDEV_RULE_NAME}")
endif()
# The rule itself: its one line that is not a comment.
file(STRINGS ${MAGCFG_UDEV_RULE_SOURCE} magcfg_rule_lines REGEX "^[^#]")
list(GET magcfg_rule_lines 0 MAGCFG_UDEV_RULE_LINE)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${MAGCFG_UDEV_RULE_SOURCE})
