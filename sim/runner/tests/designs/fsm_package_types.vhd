-- The state type of fsm_package, declared in a package of its own file, as
-- a design that shares its states with a testbench or another unit does.
-- One literal is an extended identifier holding a comma.
package fsm_package_types is
  type phase_t is (ph_idle, ph_one, ph_two, ph_three, ph_four, \ph,odd\);
end package fsm_package_types;
