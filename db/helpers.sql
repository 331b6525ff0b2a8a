-- Helpers of the files that set up or bring up to date the journal's side of a database.
-- They live in the session's own schema and go with it; every file after this one may use
-- them, and each leaves an object as it finds it when that object is already as it should be.

-- Roles belong to the whole cluster: a missing one is created with its options, an existing
-- one keeps its password and attributes.
create or replace function pg_temp.ensure_role(p_name text, p_options text)
returns void language plpgsql as $$
begin
    if exists (select 1 from pg_roles where rolname = p_name) then
        return;
    end if;
    begin
        execute format('create role %I %s', p_name, p_options);
    exception when duplicate_object or unique_violation then
        null;   -- created meanwhile by a load into another database
    end;
end $$;

create or replace function pg_temp.is_direct_member(p_member text, p_group text)
returns boolean language sql stable as $$
    select exists (select 1 from pg_auth_members m
                   join pg_roles g on g.oid = m.roleid
                   join pg_roles r on r.oid = m.member
                   where g.rolname = p_group and r.rolname = p_member)
$$;

-- Makes p_member a direct member of p_group and of no other of the groups in
-- p_others (its membership through another group does not count).
create or replace function pg_temp.set_group(p_member text, p_group text, p_others text[])
returns void language plpgsql as $$
declare
    other text;
begin
    foreach other in array p_others loop
        if other <> p_group and pg_temp.is_direct_member(p_member, other) then
            execute format('revoke %I from %I', other, p_member);
        end if;
    end loop;
    if not pg_temp.is_direct_member(p_member, p_group) then
        begin
            execute format('grant %I to %I', p_group, p_member);
        exception when duplicate_object or unique_violation then
            null;   -- granted meanwhile by a load into another database
        end;
    end if;
end $$;

-- Adds a table's constraint unless one of that name is there. A key added to a table that
-- already holds a plant's rows is added NOT VALID by its caller: it checks what is written
-- from now on and leaves the old rows as they are.
create or replace function pg_temp.add_constraint(p_table regclass, p_name text, p_definition text)
returns void language plpgsql as $$
begin
    if not exists (select 1 from pg_constraint where conrelid = p_table and conname = p_name) then
        execute format('alter table %s add constraint %I %s', p_table, p_name, p_definition);
    end if;
end $$;
