-- Goods and services, their attributes and the manufacturing norms of the ERP.

create schema cmn_gds_and_srv;
create schema mnf_operation;

create table cmn_gds_and_srv.gds_and_srv (
    id          t_id primary key,
    s_caption   text not null,
    s_msm_ident text not null default 'шт'   -- unit of measure
);

-- Paint norm of a product: id is the product's goods id.
create table cmn_gds_and_srv.gds_attr (
    id          t_id primary key references cmn_gds_and_srv.gds_and_srv(id),
    f_color_qty numeric(18,6) not null default 0
);

-- Material norm: f_qty_from of id_gds_from is used per piece of id_gds_to.
create table mnf_operation.operation (
    id          t_id primary key,
    id_gds_to   t_id not null references cmn_gds_and_srv.gds_and_srv(id),
    id_gds_from t_id not null references cmn_gds_and_srv.gds_and_srv(id),
    f_qty_from  numeric(18,6) not null,
    unique (id_gds_to, id_gds_from)
);
